#pragma once

#include "security/fixed_memory_block_key_defragmenter.h"
#include "security/obfuscated_key_id.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace fwup {

// The program's 32 obfuscated 32-byte keys: a defragmenter bound to the block and index table that
// tools/generate_halcyon_keys.py writes. Both constructors initialise at once.
class HalcyonObfuscatedKeyProvider
    : public cvsw::security::FixedMemoryBlockKeyDefragmenter<32ul, ObfuscatedKeyId> {
public:
    static constexpr std::size_t KEY_LENGTH = 32;
    static constexpr std::size_t KEY_COUNT = 32;
    static constexpr std::size_t BLOCK_SIZE = 32768;

    static const std::uint8_t obfuscatedKeyMemory[BLOCK_SIZE];
    static const std::uint16_t generatedKeyIndexes[KEY_COUNT * KEY_LENGTH];
    // The self-check's expected value: SHA-256 of obfuscatedKeyMemory.
    static const cvsw::security::Sha256Digest obfuscatedKeyMemoryDigest;

    // Over the program's own tables.
    HalcyonObfuscatedKeyProvider();
    // Over other tables, borrowed for the provider's life.
    HalcyonObfuscatedKeyProvider(std::span<const std::uint8_t> block, std::span<const std::uint16_t> indexes,
                                 const cvsw::security::Sha256Digest& expectedBlockDigest);
};

// The process-wide provider over the program's tables, made and initialised on first call.
HalcyonObfuscatedKeyProvider& halcyon_obfuscated_key_provider();

} // namespace fwup
