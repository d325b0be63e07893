#pragma once

#include "cvbv3/cvb_file_assembler.h"

#include <array>
#include <cstdint>
#include <memory>

namespace cvsw::cvbv3 {

class IMbuMetadataHeaderBuilder;

// Fills an MBU block from its JSON description: the block's tag and build description, and a data
// source that encrypts the metadata header followed by the image file. The secret is the default one
// unless "use_production_secret" is true; the generator is the block-type registry's for the tag.
// Nothing is read or encrypted until the container is saved; an image file that cannot be opened then
// fails the save with std::runtime_error.
class EncapsulatedMbuJsonBlockBuilder : public CvbFileAssembler::JsonBlockBuilder {
public:
    using Tag = std::array<std::uint8_t, 8>;
    using Secret = std::array<std::uint8_t, 32>;

    EncapsulatedMbuJsonBlockBuilder(const Tag& tag, const Secret& defaultSecret,
                                    const Secret& productionSecret,
                                    std::unique_ptr<IMbuMetadataHeaderBuilder> headerBuilder);
    ~EncapsulatedMbuJsonBlockBuilder() override;

    // Faults throw std::runtime_error (std::length_error for a build description over 64 bytes, and
    // whatever the header builder throws); the block may then be left partly filled.
    bool loadFromJsonObject(QJsonObject& object) override;

private:
    Tag tag_;
    Secret defaultSecret_;
    Secret productionSecret_;
    std::unique_ptr<IMbuMetadataHeaderBuilder> headerBuilder_;
};

} // namespace cvsw::cvbv3
