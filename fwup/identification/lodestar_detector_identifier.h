#pragma once

#include "fwup/identification/detector_identifier.h"
#include "fwup/identification/identification_timing.h"

#include <QString>

#include <optional>

namespace fwup {

// Identifies a Lodestar system: the control pod first, then its Tamarind sub-system through the
// pod's tunnel. A silent sub-system does not fail the identification; the identity then carries a
// placeholder for it.
class LodestarDetectorIdentifier final : public DetectorIdentifier {
public:
    // Without a record path no detector record is read or written, and a pod in its bootloader is
    // always taken for a model 1.
    explicit LodestarDetectorIdentifier(std::optional<const QString> recordFilePath,
                                        const IdentificationTiming& timing = {});
    ~LodestarDetectorIdentifier() override;

    // Pumps the event loop until both parts are done; empty when the pod could not be identified.
    std::unique_ptr<ISystemIdentity> identifyDetector(const QString& location) override;

private:
    const std::optional<const QString> recordFilePath_;
    const IdentificationTiming timing_;
};

} // namespace fwup
