#pragma once

#include "logging/log.h"
#include "security/i_key_provider.h"
#include "security/sha256.h"
#include "security/software_component.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace cvsw::security {

namespace detail {
inline constexpr unsigned short KeyDefragmenterLogModule = 0x5301;
}

// Assembles keys from a block of obfuscated bytes: key byte i of row id is block[indexes[id * KeySize
// + i]], so no key is stored whole. The block and the index table are borrowed and must outlive the
// defragmenter. initialise checks the tables once (every index inside the block, and the block's
// SHA-256 equal to the expected digest); until it succeeds every key is all zero.
template <std::size_t KeySize, typename KeyId>
class FixedMemoryBlockKeyDefragmenter : public eaf::SoftwareComponent, public IKeyProvider<KeySize, KeyId> {
public:
    using Key = typename IKeyProvider<KeySize, KeyId>::Key;

    FixedMemoryBlockKeyDefragmenter(std::span<const std::uint8_t> block,
                                    std::span<const std::uint16_t> indexes,
                                    const Sha256Digest& expectedBlockDigest)
        : block_(block.data())
        , blockSize_(block.size())
        , indexes_(indexes.data())
        , indexCount_(indexes.size())
        , expectedBlockDigest_(expectedBlockDigest) {}

    void initialise() override { valid_ = tablesAreSound(); }
    void shutdown() override {}
    bool isValid() const override { return valid_; }

    Key getKey(KeyId id) const override {
        const auto row = static_cast<std::size_t>(id);
        // A row beyond the table would read past it; it gets the same empty answer as a bad table.
        if (!valid_ || row >= keyCount()) {
            CVSW_LOG(log::Level::Warning, detail::KeyDefragmenterLogModule, "Providing Empty Key Id: %1",
                     log::Value::uint32(static_cast<std::uint32_t>(row)));
            return Key{};
        }
        Key key{};
        const std::uint16_t* rowIndexes = indexes_ + row * KeySize;
        for (std::size_t i = 0; i < KeySize; ++i) {
            if (rowIndexes[i] >= blockSize_) {
                return Key{};
            }
            key[i] = block_[rowIndexes[i]];
        }
        return key;
    }

    // Number of whole rows in the index table.
    std::size_t keyCount() const { return indexCount_ / KeySize; }

private:
    bool tablesAreSound() const {
        if (block_ == nullptr || blockSize_ == 0) {
            return false;
        }
        // A partial row means the table is not the one the block was made for.
        if (indexes_ == nullptr || indexCount_ == 0 || indexCount_ % KeySize != 0) {
            return false;
        }
        for (std::size_t i = 0; i < indexCount_; ++i) {
            if (indexes_[i] >= blockSize_) {
                return false;
            }
        }
        return sha256(block_, static_cast<std::size_t>(blockSize_)) == expectedBlockDigest_;
    }

    const std::uint8_t* block_;
    std::uint64_t blockSize_;
    const std::uint16_t* indexes_;
    std::size_t indexCount_;
    Sha256Digest expectedBlockDigest_;
    bool valid_ = false;
};

} // namespace cvsw::security
