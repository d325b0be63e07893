#include "fwup/installation/file_put_offset_getter.h"

#include <stdexcept>

namespace fwup {

FilePutOffsetGetter::FilePutOffsetGetter(const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre,
                                         std::uint32_t attemptLimit, std::uint64_t firstTimeoutMs,
                                         std::uint64_t resendTimeoutMs)
    : exchange_(controlCentre, attemptLimit, firstTimeoutMs, resendTimeoutMs) {
}

FilePutOffsetGetter::~FilePutOffsetGetter() = default;

void FilePutOffsetGetter::start(const OffsetHandler& onOffset, const std::function<void()>& onFailure,
                                cvsw::corvane::FileId fileId) {
    if (!onOffset || !onFailure) {
        throw std::invalid_argument("Handler functor can not be null");
    }
    exchange_.start({
        [fileId] {
            auto command = std::make_unique<Command>(cvsw::muppet::control::Mode::GET);
            command->fileId = fileId;
            return command;
        },
        [onOffset](const Command& answer) {
            const unsigned int offset = answer.offset;
            onOffset(offset);
        },
        [onFailure](MuppetCommandExchangeBase::FailureReason) { onFailure(); },
    });
}

void FilePutOffsetGetter::cancel() {
    exchange_.cancel();
}

} // namespace fwup
