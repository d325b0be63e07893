#pragma once

#include "cvbv3/counter_keystream.h"
#include "cvbv3/cvb_block.h"

#include <array>
#include <cstdint>
#include <memory>
#include <random>

namespace cvsw::cvbv3 {

class AuthResponseGenerator;

// Produces the stored form of an encrypted block from plain data: a fresh random crypto header, then
// the padded plain data XORed with the SHA-256 counter keystream. The input is read twice per pass
// (once to hash it, once to encrypt it) and must deliver the same bytes both times. Each pass draws
// new random bytes, so two passes give different stored bytes that decrypt alike.
class EncryptDataSource : public CvbBlock::DataSource {
public:
    explicit EncryptDataSource(std::shared_ptr<CvbBlock::DataSource> input);

    void setSecret(const std::array<std::uint8_t, 32>& secret);
    bool registerAuthGenerator(const std::shared_ptr<AuthResponseGenerator>& generator);
    bool deregisterAuthGenerator(const std::shared_ptr<AuthResponseGenerator>& generator);

    void beginReadData() override;
    void endReadData() override;
    std::uint32_t readChunk(std::uint8_t* buffer, std::uint32_t maxBytes) override;
    std::uint32_t chunkSizeHint() const override;
    // Always false: the end shows as a readChunk result of 0.
    bool endOfData() const override;

private:
    std::uint32_t readPlainBlock(std::uint8_t* block);
    bool encryptNextBlock();

    std::shared_ptr<CvbBlock::DataSource> input_;
    std::array<std::uint8_t, 32> secret_{};
    std::uint32_t outPos_ = 0;
    std::array<std::uint8_t, 128> header_{};
    std::array<std::uint8_t, 32> finalBlock_{};
    bool finalUsed_ = false;
    // Full plain blocks seen by the hashing pass and sent by the encrypting pass: a stream that changed
    // length between the passes would no longer match its hash.
    std::uint64_t hashedBlocks_ = 0;
    std::uint64_t sentBlocks_ = 0;
    std::array<std::uint8_t, 32> block_{};
    std::uint8_t blockPos_ = 32;
    std::array<std::uint8_t, 32> keystream_{};
    CounterKeystream counter_;
    std::shared_ptr<AuthResponseGenerator> generator_;
};

} // namespace cvsw::cvbv3
