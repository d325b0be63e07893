#include "cvbv3/encrypt_data_source.h"

#include "cvbv3/auth_response_generator.h"
#include "logging/log.h"
#include "security/sha256.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace cvsw::cvbv3 {

namespace {

constexpr unsigned short LogModule = 0x3B02;
constexpr std::uint32_t BlockSize = 32;
constexpr std::uint32_t HeaderSize = 128;
// A source that keeps answering 0 without reaching its end is given up on, not waited for forever.
constexpr std::uint32_t AllowedEmptyReads = 5;

std::uint32_t randomSeed() {
    std::uint64_t seed = 0;
    std::ifstream urandom("/dev/urandom", std::ios::in | std::ios::binary);
    if (urandom.read(reinterpret_cast<char*>(&seed), sizeof(seed))) {
        return static_cast<std::uint32_t>(seed);
    }
    // Without /dev/urandom the stream need only stay decryptable.
    std::random_device device;
    return device() ^ static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
}

template <std::size_t N>
void fillRandom(std::mt19937& engine, std::array<std::uint8_t, N>& bytes, std::size_t from,
                std::size_t count) {
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::size_t i = from; i < from + count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(byte(engine));
    }
}

} // namespace

EncryptDataSource::EncryptDataSource(std::shared_ptr<CvbBlock::DataSource> input)
    : input_(std::move(input)) {
}

void EncryptDataSource::setSecret(const std::array<std::uint8_t, 32>& secret) {
    secret_ = secret;
}

bool EncryptDataSource::registerAuthGenerator(const std::shared_ptr<AuthResponseGenerator>& generator) {
    if (generator_) {
        CVSW_LOG(log::Level::Error, LogModule, "AuthResponseGenerator already registered.");
        return false;
    }
    generator_ = generator;
    return true;
}

bool EncryptDataSource::deregisterAuthGenerator(const std::shared_ptr<AuthResponseGenerator>& generator) {
    if (!generator_ || generator_ != generator) {
        CVSW_LOG(log::Level::Error, LogModule, "AuthResponseGenerator mis-match");
        return false;
    }
    generator_.reset();
    return true;
}

// Pulls up to 32 plain bytes, repeating short reads until the block is full or the input ends.
std::uint32_t EncryptDataSource::readPlainBlock(std::uint8_t* block) {
    return CvbBlock::read_n_bytes_from_data_source(input_, block, BlockSize, AllowedEmptyReads);
}

void EncryptDataSource::beginReadData() {
    std::mt19937 engine(randomSeed());
    std::array<std::uint8_t, 64> random{};
    fillRandom(engine, random, 0, random.size());
    fillRandom(engine, finalBlock_, 0, finalBlock_.size());

    if (!input_) {
        throw std::runtime_error("No input source configured.");
    }

    // First pass: hash the padded plain data.
    security::Sha256Context hash;
    security::sha256_start(hash);
    input_->beginReadData();
    std::array<std::uint8_t, BlockSize> block{};
    hashedBlocks_ = 0;
    for (;;) {
        const std::uint32_t count = readPlainBlock(block.data());
        if (count == BlockSize) {
            security::sha256_update(hash, block.data(), BlockSize);
            ++hashedBlocks_;
            continue;
        }
        std::copy_n(block.begin(), count, finalBlock_.begin());
        finalBlock_[BlockSize - 1] = static_cast<std::uint8_t>(BlockSize - count);
        security::sha256_update(hash, finalBlock_.data(), BlockSize);
        break;
    }
    if (!input_->endOfData()) {
        throw std::runtime_error("Problem reading data from the input source.");
    }
    input_->endReadData();
    input_->beginReadData();

    security::sha256_update(hash, secret_.data(), secret_.size());
    const auto plainHash = security::sha256_finish(hash);
    for (std::uint32_t i = 0; i < BlockSize; ++i) {
        header_[i] = random[i] ^ plainHash[i]; // F0
    }
    std::copy_n(random.begin(), 64, header_.begin() + 32); // F1 = R0, F2 = R1

    const auto challenge = security::sha256(header_.data(), 96);
    if (!generator_) {
        CVSW_LOG(log::Level::Error, LogModule, "No response generator present.");
        throw std::runtime_error("No ResponseGenerator present.");
    }
    const auto response = generator_->getResponse(challenge);

    security::sha256_start(hash);
    security::sha256_update(hash, response.data(), response.size());
    security::sha256_update(hash, secret_.data(), secret_.size());
    const auto check = security::sha256_finish(hash);
    std::copy(check.begin(), check.end(), header_.begin() + 96); // F3

    security::sha256_start(hash);
    security::sha256_update(hash, header_.data(), header_.size());
    security::sha256_update(hash, response.data(), response.size());
    security::sha256_update(hash, secret_.data(), secret_.size());
    counter_.reset(security::sha256_finish(hash));

    outPos_ = 0;
    finalUsed_ = false;
    sentBlocks_ = 0;
    blockPos_ = BlockSize;
}

void EncryptDataSource::endReadData() {
    if (!input_) {
        throw std::runtime_error("No input source configured.");
    }
    input_->endReadData();
}

// Encrypts the next plain block into block_; false once the padding block has gone out.
bool EncryptDataSource::encryptNextBlock() {
    if (finalUsed_) {
        return false;
    }
    const std::uint32_t count = readPlainBlock(block_.data());
    const bool lastBlock = count < BlockSize;
    const std::uint32_t expected = BlockSize - finalBlock_[BlockSize - 1];
    // The data must end where the hashing pass saw it end: in the same block, at the same byte.
    if (lastBlock ? (count != expected || sentBlocks_ != hashedBlocks_ || !input_->endOfData())
                  : sentBlocks_ == hashedBlocks_) {
        CVSW_LOG(log::Level::Error, LogModule, "Initialised padding length: %1 vs expected: %2",
                 log::Value::uint32(expected), log::Value::uint32(count));
        throw std::runtime_error("Padding byte count mismatch.");
    }
    if (lastBlock) {
        block_ = finalBlock_;
        finalUsed_ = true;
    } else {
        ++sentBlocks_;
    }
    counter_.next(keystream_.data());
    for (std::uint32_t i = 0; i < BlockSize; ++i) {
        block_[i] ^= keystream_[i];
    }
    blockPos_ = 0;
    return true;
}

std::uint32_t EncryptDataSource::readChunk(std::uint8_t* buffer, std::uint32_t maxBytes) {
    if (outPos_ < HeaderSize) {
        const std::uint32_t count = std::min(HeaderSize - outPos_, maxBytes);
        std::memcpy(buffer, header_.data() + outPos_, count);
        outPos_ += count;
        return count;
    }
    std::uint32_t delivered = 0;
    while (delivered < maxBytes) {
        if (blockPos_ < BlockSize) {
            const std::uint32_t count = std::min<std::uint32_t>(BlockSize - blockPos_, maxBytes - delivered);
            std::memcpy(buffer + delivered, block_.data() + blockPos_, count);
            blockPos_ = static_cast<std::uint8_t>(blockPos_ + count);
            delivered += count;
            continue;
        }
        if (!encryptNextBlock()) {
            break;
        }
    }
    return delivered;
}

std::uint32_t EncryptDataSource::chunkSizeHint() const {
    return 0;
}

bool EncryptDataSource::endOfData() const {
    return false;
}

} // namespace cvsw::cvbv3
