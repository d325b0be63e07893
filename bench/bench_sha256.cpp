// Hashes 64 MiB with the program's SHA-256 and prints the rate, to compare with `sha256sum` on the same
// machine (for example: head -c 64M /dev/urandom > /tmp/x && time sha256sum /tmp/x).
//
//   bench_sha256 [MiB]     (default 64)
#include "security/sha256.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    const std::size_t Size = std::size_t(argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 64) << 20;
    constexpr std::size_t Chunk = 64u << 10;
    std::vector<std::uint8_t> chunk(Chunk);
    for (std::size_t i = 0; i < Chunk; ++i) {
        chunk[i] = static_cast<std::uint8_t>(i * 2654435761u >> 13);
    }

    cvsw::security::Sha256Context context;
    const auto start = std::chrono::steady_clock::now();
    cvsw::security::sha256_start(context);
    for (std::size_t done = 0; done < Size; done += Chunk) {
        cvsw::security::sha256_update(context, chunk.data(), Chunk);
    }
    const auto digest = cvsw::security::sha256_finish(context);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;

    std::printf("sha256: %zu MiB in %.3f s, %.1f MB/s (digest starts %02x%02x)\n", Size >> 20,
                seconds.count(), double(Size) / 1e6 / seconds.count(), digest[0], digest[1]);
    return 0;
}
