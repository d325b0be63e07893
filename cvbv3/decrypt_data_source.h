#pragma once

#include "cvbv3/counter_keystream.h"
#include "cvbv3/cvb_block.h"

#include <array>
#include <cstdint>
#include <memory>

namespace cvsw::cvbv3 {

class AuthResponseGenerator;

// Turns the stored bytes of an encrypted block back into plain bytes: a 128-byte crypto header, then
// 32-byte blocks XORed with a SHA-256 counter keystream, the last block's final byte counting the
// padding to remove. Works block by block; nothing is allocated per block.
//
// Calling order: setSecret, registerAuthGenerator, beginReadData, readChunk until it returns 0,
// endReadData. Faults throw std::runtime_error. A wrong secret or generator is not detected here: the
// data decrypt to wrong bytes.
class DecryptDataSource : public CvbBlock::DataSource {
public:
    explicit DecryptDataSource(std::shared_ptr<CvbBlock::DataSource> input);

    void setSecret(const std::array<std::uint8_t, 32>& secret);
    // Holds at most one generator; a second is refused (logged, false).
    bool registerAuthGenerator(const std::shared_ptr<AuthResponseGenerator>& generator);
    bool deregisterAuthGenerator(const std::shared_ptr<AuthResponseGenerator>& generator);

    void beginReadData() override;
    void endReadData() override;
    std::uint32_t readChunk(std::uint8_t* buffer, std::uint32_t maxBytes) override;
    std::uint32_t chunkSizeHint() const override;
    bool endOfData() const override;

private:
    [[noreturn]] static void failShortInput(std::uint32_t received);
    bool decryptNextBlock();

    std::shared_ptr<CvbBlock::DataSource> input_;
    std::array<std::uint8_t, 32> secret_{};
    std::array<std::uint8_t, 128> header_{};
    std::array<std::uint8_t, 32> plain_{};
    std::uint8_t plainPos_ = 32; // 32: nothing decrypted yet
    std::array<std::uint8_t, 32> keystream_{};
    CounterKeystream counter_;
    std::shared_ptr<AuthResponseGenerator> generator_;
};

} // namespace cvsw::cvbv3
