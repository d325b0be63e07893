#include "security/sha256.h"

#include <cstring>

namespace cvsw::security {

namespace {

constexpr std::array<std::uint32_t, 8> InitialHash = {
    0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19,
};

constexpr std::uint32_t K[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

constexpr std::uint32_t rotr(std::uint32_t x, unsigned n) {
    return (x >> n) | (x << (32 - n));
}

inline std::uint32_t load_be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

} // namespace

void sha256_process_block(Sha256Context& context, const std::uint8_t* block) {
    std::uint32_t w[64];
    for (int t = 0; t < 16; ++t) {
        w[t] = load_be32(block + 4 * t);
    }
    for (int t = 16; t < 64; ++t) {
        const std::uint32_t s0 = rotr(w[t - 15], 7) ^ rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
        const std::uint32_t s1 = rotr(w[t - 2], 17) ^ rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
        w[t] = w[t - 16] + s0 + w[t - 7] + s1;
    }

    std::uint32_t a = context.state[0], b = context.state[1], c = context.state[2], d = context.state[3];
    std::uint32_t e = context.state[4], f = context.state[5], g = context.state[6], h = context.state[7];
    for (int t = 0; t < 64; ++t) {
        const std::uint32_t s1 = rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25);
        const std::uint32_t ch = (e & f) ^ (~e & g);
        const std::uint32_t t1 = h + s1 + ch + K[t] + w[t];
        const std::uint32_t s0 = rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22);
        const std::uint32_t maj = (a & b) ^ (a & c) ^ (b & c);
        const std::uint32_t t2 = s0 + maj;
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    context.state[0] += a;
    context.state[1] += b;
    context.state[2] += c;
    context.state[3] += d;
    context.state[4] += e;
    context.state[5] += f;
    context.state[6] += g;
    context.state[7] += h;
}

void sha256_write_digest(const Sha256Context& context, std::uint8_t* output, std::size_t n) {
    const std::size_t count = n < 32 ? n : 32;
    for (std::size_t i = 0; i < count; ++i) {
        output[i] = static_cast<std::uint8_t>(context.state[i / 4] >> (24 - 8 * (i % 4)));
    }
}

void sha256_start(Sha256Context& context) {
    context.state = InitialHash;
    context.total = 0;
    context.buffered = 0;
}

void sha256_update(Sha256Context& context, const void* data, std::size_t length) {
    auto bytes = static_cast<const std::uint8_t*>(data);
    context.total += length;
    if (context.buffered > 0 && context.buffered + length >= 64) {
        const std::size_t fill = 64 - context.buffered;
        std::memcpy(context.block.data() + context.buffered, bytes, fill);
        sha256_process_block(context, context.block.data());
        context.buffered = 0;
        bytes += fill;
        length -= fill;
    }
    if (context.buffered == 0) {
        for (; length >= 64; bytes += 64, length -= 64) {
            sha256_process_block(context, bytes);
        }
    }
    if (length > 0) {
        std::memcpy(context.block.data() + context.buffered, bytes, length);
        context.buffered += length;
    }
}

Sha256Digest sha256_finish(Sha256Context& context) {
    context.block[context.buffered++] = 0x80;
    std::memset(context.block.data() + context.buffered, 0, 64 - context.buffered);
    if (context.buffered >= 57) {
        sha256_process_block(context, context.block.data());
        context.block.fill(0);
    }
    const std::uint64_t bits = context.total * 8;
    for (int i = 0; i < 8; ++i) {
        context.block[56 + i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
    }
    sha256_process_block(context, context.block.data());

    Sha256Digest digest{};
    sha256_write_digest(context, digest.data(), digest.size());
    return digest;
}

Sha256Digest sha256(const void* data, std::size_t length) {
    Sha256Context context;
    sha256_start(context);
    sha256_update(context, data, length);
    return sha256_finish(context);
}

} // namespace cvsw::security
