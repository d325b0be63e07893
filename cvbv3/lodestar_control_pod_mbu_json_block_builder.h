#pragma once

#include "cvbv3/encapsulated_mbu_json_block_builder.h"

namespace cvsw::cvbv3 {

// Fills a control-pod MBU block (tag LDSTCP01): with "required_bt_icd_revision" in the description
// the block gets the revision-2 metadata header, without it the revision-1 header. The secrets are the
// caller's; the library holds none for this builder.
class LodestarControlPodMbuJsonBlockBuilder : public CvbFileAssembler::JsonBlockBuilder {
public:
    using Secret = EncapsulatedMbuJsonBlockBuilder::Secret;

    LodestarControlPodMbuJsonBlockBuilder(const Secret& defaultSecret, const Secret& productionSecret);

    // Hands this builder's block to the chosen inner builder and returns what it returns.
    bool loadFromJsonObject(QJsonObject& object) override;

private:
    Secret defaultSecret_;
    Secret productionSecret_;
    EncapsulatedMbuJsonBlockBuilder revision1Builder_;
    EncapsulatedMbuJsonBlockBuilder revision2Builder_;
};

} // namespace cvsw::cvbv3
