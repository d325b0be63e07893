#include "tests/support/control_device/control_centre_device.h"

#include "muppet/basic_std_vector_buffer.h"
#include "muppet/notifier.h"

#include <utility>

namespace cuu::test {

namespace {

class SilentNotifier final : public cvsw::muppet::Notifier {
public:
    void notify(std::uint32_t, std::uint32_t) override {}
    void notify(std::uint32_t, std::uint32_t, std::uint32_t) override {}
};

} // namespace

ControlCentreDevice::ControlCentreDevice(std::shared_ptr<cvsw::muppet::ControlCentre> controlCentre,
                                         QObject* parent)
    : QObject(parent)
    , controlCentre_(std::move(controlCentre)) {
    connect(&timer_, &QTimer::timeout, this, [this] { service(); });
}

ControlCentreDevice::~ControlCentreDevice() = default;

void ControlCentreDevice::setResponder(Responder responder) {
    responder_ = std::move(responder);
}

int ControlCentreDevice::service() {
    SilentNotifier notifier;
    int taken = 0;
    for (;;) {
        cvsw::muppet::BasicStdVectorBuffer buffer;
        std::uint8_t frameType = 0;
        if (!controlCentre_->takeNextFrame(notifier, frameType, buffer)) {
            return taken;
        }
        Message request(buffer.data(), buffer.data() + buffer.size());
        requests_.push_back(request);
        ++taken;
        emit requestTaken(static_cast<int>(requests_.size()) - 1);
        if (responder_) {
            for (const Message& answer : responder_(request)) {
                deliver(answer);
            }
        }
    }
}

void ControlCentreDevice::startServicing(int intervalMs) {
    timer_.start(intervalMs);
}

void ControlCentreDevice::stopServicing() {
    timer_.stop();
}

void ControlCentreDevice::deliver(const Message& message) {
    controlCentre_->handleFrame(message.data(), message.size());
}

std::vector<Message> ControlCentreDevice::takeRequests() {
    return std::exchange(requests_, {});
}

} // namespace cuu::test
