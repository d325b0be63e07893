#include "security/halcyon_obfuscated_key_provider.h"

namespace fwup {

HalcyonObfuscatedKeyProvider::HalcyonObfuscatedKeyProvider()
    : HalcyonObfuscatedKeyProvider(obfuscatedKeyMemory, generatedKeyIndexes, obfuscatedKeyMemoryDigest) {
}

HalcyonObfuscatedKeyProvider::HalcyonObfuscatedKeyProvider(
    std::span<const std::uint8_t> block, std::span<const std::uint16_t> indexes,
    const cvsw::security::Sha256Digest& expectedBlockDigest)
    : FixedMemoryBlockKeyDefragmenter(block, indexes, expectedBlockDigest) {
    initialise();
}

HalcyonObfuscatedKeyProvider& halcyon_obfuscated_key_provider() {
    static HalcyonObfuscatedKeyProvider provider;
    return provider;
}

} // namespace fwup
