#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The program's own SHA-256 (FIPS 180-4). The login digest and the container library's keystream
// are built on it, so the compression is the hot loop of firmware decryption.

namespace cvsw::security {

struct Sha256Context {
    std::uint64_t total = 0;              // message bytes fed so far
    std::array<std::uint32_t, 8> state{}; // running hash value
    std::array<std::uint8_t, 64> block{}; // partial block not yet compressed
    std::uint64_t buffered = 0;           // bytes held in block, 0..63 between calls
};

using Sha256Digest = std::array<std::uint8_t, 32>;

// Compresses one 64-byte block into the state; touches neither total, block nor buffered.
void sha256_process_block(Sha256Context& context, const std::uint8_t* block);
// Writes the state words big-endian, word 0 first, stopping after min(n, 32) bytes.
void sha256_write_digest(const Sha256Context& context, std::uint8_t* output, std::size_t n);

// The streaming steps around the two routines above.
void sha256_start(Sha256Context& context);
void sha256_update(Sha256Context& context, const void* data, std::size_t length);
Sha256Digest sha256_finish(Sha256Context& context);

// One-shot digest of a whole message.
Sha256Digest sha256(const void* data, std::size_t length);

} // namespace cvsw::security
