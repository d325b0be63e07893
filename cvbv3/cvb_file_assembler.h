#pragma once

#include <memory>

class QJsonObject;

namespace cvsw::cvbv3 {

class CvbBlock;

// Of the container assembler only its side of the exchange with the block builders belongs to the
// library: it creates a block in the container, hands it to a builder, and has the builder fill it
// from the block's JSON description.
class CvbFileAssembler {
public:
    // Fills one block (header fields and data source) from a JSON object.
    class JsonBlockBuilder {
    public:
        virtual ~JsonBlockBuilder();

        // Returns true once the block is ready to be saved; faults are thrown.
        virtual bool loadFromJsonObject(QJsonObject& object) = 0;

        const std::shared_ptr<CvbBlock>& block() const { return block_; }
        void setBlock(std::shared_ptr<CvbBlock> block);

    private:
        std::shared_ptr<CvbBlock> block_;
    };

    CvbFileAssembler() = delete;
};

} // namespace cvsw::cvbv3
