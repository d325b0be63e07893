#include "cvbv3/decrypt_data_source.h"

#include "cvbv3/auth_response_generator.h"
#include "logging/log.h"
#include "security/sha256.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace cvsw::cvbv3 {

namespace {
constexpr unsigned short LogModule = 0x3B01;
constexpr std::uint32_t BlockSize = 32;
constexpr std::uint32_t HeaderSize = 128;
constexpr std::uint32_t AllowedEmptyReads = 5;
} // namespace

DecryptDataSource::DecryptDataSource(std::shared_ptr<CvbBlock::DataSource> input)
    : input_(std::move(input)) {
}

void DecryptDataSource::setSecret(const std::array<std::uint8_t, 32>& secret) {
    secret_ = secret;
}

bool DecryptDataSource::registerAuthGenerator(const std::shared_ptr<AuthResponseGenerator>& generator) {
    if (generator_) {
        CVSW_LOG(log::Level::Error, LogModule, "AuthResponseGenerator already registered.");
        return false;
    }
    generator_ = generator;
    return true;
}

bool DecryptDataSource::deregisterAuthGenerator(const std::shared_ptr<AuthResponseGenerator>& generator) {
    if (!generator_ || generator_ != generator) {
        CVSW_LOG(log::Level::Error, LogModule, "AuthResponseGenerator mis-match");
        return false;
    }
    generator_.reset();
    return true;
}

void DecryptDataSource::beginReadData() {
    if (!input_) {
        throw std::runtime_error("No input source configured.");
    }
    input_->beginReadData();
    if (CvbBlock::read_n_bytes_from_data_source(input_, header_.data(), HeaderSize, AllowedEmptyReads) <
        HeaderSize) {
        CVSW_LOG(log::Level::Error, LogModule, "Unable to read crypto header block from input source.");
        throw std::runtime_error("Unable to read crypto header block.");
    }
    const auto challenge = security::sha256(header_.data(), 96);
    if (!generator_) {
        CVSW_LOG(log::Level::Error, LogModule, "No response generator present.");
        throw std::runtime_error("No ResponseGenerator present.");
    }
    const auto response = generator_->getResponse(challenge);

    security::Sha256Context context;
    security::sha256_start(context);
    security::sha256_update(context, header_.data(), header_.size());
    security::sha256_update(context, response.data(), response.size());
    security::sha256_update(context, secret_.data(), secret_.size());
    counter_.reset(security::sha256_finish(context));
    plainPos_ = BlockSize;
}

void DecryptDataSource::endReadData() {
    if (!input_) {
        throw std::runtime_error("No input source configured.");
    }
    input_->endReadData();
}

void DecryptDataSource::failShortInput(std::uint32_t received) {
    CVSW_LOG(log::Level::Error, LogModule, "Invalid input source - must be multiple of 32 bytes: %1",
             log::Value::uint32(received));
    throw std::runtime_error("Input source not a multiple of 32 bytes.");
}

// Reads and decrypts the next stored block into plain_; false at the end of the input.
bool DecryptDataSource::decryptNextBlock() {
    const std::uint32_t received = input_->readChunk(plain_.data(), BlockSize);
    if (received == 0) {
        if (input_->endOfData()) {
            return false;
        }
        failShortInput(received);
    }
    if (received < BlockSize) {
        failShortInput(received);
    }
    counter_.next(keystream_.data());
    for (std::uint32_t i = 0; i < BlockSize; ++i) {
        plain_[i] ^= keystream_[i];
    }
    plainPos_ = 0;

    // The input reports its end right after the last block: its final byte counts the padding.
    if (input_->endOfData()) {
        const std::uint8_t padding = plain_[BlockSize - 1];
        if (padding > BlockSize) {
            CVSW_LOG(log::Level::Error, LogModule, "Invalid padding length - corrupt data source? %1",
                     log::Value::uint32(padding));
            throw std::runtime_error("Invalid padding length.");
        }
        std::memmove(plain_.data() + padding, plain_.data(), BlockSize - padding);
        plainPos_ = padding;
    }
    return true;
}

std::uint32_t DecryptDataSource::readChunk(std::uint8_t* buffer, std::uint32_t maxBytes) {
    std::uint32_t delivered = 0;
    while (delivered < maxBytes) {
        if (plainPos_ < BlockSize) {
            const std::uint32_t count = std::min<std::uint32_t>(BlockSize - plainPos_, maxBytes - delivered);
            std::memcpy(buffer + delivered, plain_.data() + plainPos_, count);
            plainPos_ = static_cast<std::uint8_t>(plainPos_ + count);
            delivered += count;
            continue;
        }
        if (!decryptNextBlock()) {
            break;
        }
    }
    return delivered;
}

std::uint32_t DecryptDataSource::chunkSizeHint() const {
    return 0;
}

bool DecryptDataSource::endOfData() const {
    if (plainPos_ < BlockSize) {
        return false;
    }
    return !input_ || input_->endOfData();
}

} // namespace cvsw::cvbv3
