#pragma once

#include <QDir>
#include <QList>
#include <QtGlobal>

// After the Qt headers: moc reads <compare> wrongly unless a Qt header came first.
#include "fwup/firmware/block_keys.h"
#include "fwup/installation/version_range.h"
#include "muppet/version.h"

#include <array>
#include <utility>

namespace fwup {

struct ApplicationConfiguration;

// Wires the Lodestar family (an MBU control pod of model 1 or 2 with its Tamarind sub-system) into
// the registries. Constructing it does all the work; it keeps nothing.
class LodestarRegistrar {
public:
    // The newest control-pod software this program knows how to handle.
    static constexpr Version HIGHEST_SUPPORTED_VERSION{0x01, 0x4F, 0x00};

    static constexpr quint16 USB_VENDOR_ID = 0x2E7A;
    static constexpr std::array<quint16, 2> USB_PRODUCT_IDS{0x1320, 0x1321};

    static constexpr BlockTag CONTROL_POD_MODEL_1_TAG{'L', 'D', 'S', 'T', 'C', 'P', '0', '1'};
    static constexpr BlockTag CONTROL_POD_MODEL_2_TAG{'L', 'D', 'S', 'T', 'C', 'P', '0', '2'};
    static constexpr BlockTag CPU_APP_TAG{'L', 'D', 'S', 'T', 'J', 'N', 'A', '1'};
    static constexpr BlockTag CPU_NET_TAG{'L', 'D', 'S', 'T', 'J', 'N', 'N', '1'};

    // The record of identified detectors, in the data directory.
    static constexpr const char* RECORD_FILE_NAME = "summit_index.json";

    // `production` picks the production secrets, else the development ones.
    LodestarRegistrar(const QDir& dataDirectory, bool production);

    // Which user-settings record version each control-pod software expects.
    QList<std::pair<VersionRange, int>> getListOfSwVerRangeToUserSettingsVer() const;
};

// The family's detector-support function; a static initialiser adds it to the detector-support list.
void register_lodestar_detector_support(const ApplicationConfiguration& config);

} // namespace fwup
