#include "muppet/basic_std_vector_buffer.h"

#include "muppet/notifier.h"

namespace cvsw::muppet {

namespace {
constexpr std::size_t kMaximumSize = 0x7FFFFFFFFFFFFFFF;
} // namespace

std::size_t BasicStdVectorBuffer::size() const {
    return used_;
}

std::uint8_t* BasicStdVectorBuffer::data() {
    return storage_.data();
}

const std::uint8_t* BasicStdVectorBuffer::data() const {
    return storage_.data();
}

void BasicStdVectorBuffer::consume(Notifier& notifier, std::size_t n) {
    // Clamp to the committed bytes: prepared bytes behind them are not there to be consumed, and
    // clamping to the vector instead would let the count wrap below zero.
    if (n > used_) {
        notifier.notify(0, 2);
        n = used_;
    }
    storage_.erase(storage_.begin(), storage_.begin() + static_cast<std::ptrdiff_t>(n));
    used_ -= n;
}

void BasicStdVectorBuffer::clear() {
    used_ = 0;
    storage_.clear();
}

std::size_t BasicStdVectorBuffer::freeSpace() const {
    return kMaximumSize - used_;
}

std::uint8_t* BasicStdVectorBuffer::prepare(Notifier& /*notifier*/, std::size_t n) {
    if (storage_.size() - used_ < n) {
        storage_.resize(used_ + n);
    }
    if (storage_.capacity() == 0) {
        // An empty vector may have no storage at all; callers take null for "no room".
        storage_.reserve(64);
    }
    return storage_.data() + used_;
}

void BasicStdVectorBuffer::commit(Notifier& notifier, std::size_t n) {
    if (n > storage_.size() - used_) {
        notifier.notify(0, 0);
        used_ = storage_.size();
        return;
    }
    used_ += n;
}

} // namespace cvsw::muppet
