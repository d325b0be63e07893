#include "tests/support/simulated_detector/simulated_detector.h"

#include "tests/support/fake_hidapi/fake_hid_bus.h"
#include "tests/support/simulated_detector/simulated_hid_port.h"

#include <QLatin1Char>

namespace cuu::test {

namespace {

using Personality = SimulatedComponent::Personality;

constexpr std::uint8_t kSetUpOpen = 0x42;
constexpr std::uint8_t kSetUpOpenMarker = 0xA2;
constexpr std::uint8_t kOutFacet = 0x10;
constexpr std::uint8_t kChannelBits = 0x0F;

int nextDetectorNumber() {
    static int number = 0;
    return ++number;
}

Personality podPersonality(SimulatedDetector::PodMode mode) {
    return mode == SimulatedDetector::PodMode::Application ? Personality::ControlPodApplication
                                                           : Personality::ControlPodBootloader;
}

QByteArray serialFor(std::uint8_t family, int number) {
    QByteArray serial = QByteArray::fromHex("00c0ffee5a17d3e0a4b2000000000000");
    serial[0] = static_cast<char>(family);
    for (int i = 0; i < 4; ++i) {
        serial[15 - i] = static_cast<char>(number >> (8 * i));
    }
    return serial;
}

QString hex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' '));
}

bool spend(int& budget) {
    if (budget == 0) {
        return false;
    }
    if (budget > 0) {
        --budget;
    }
    return true;
}

} // namespace

SimulatedDetector::SimulatedDetector(PodMode mode, const QString& name)
    : pod_(podPersonality(mode))
    , tamarind_(Personality::TamarindGateway)
    , podMode_(mode) {
    const int number = nextDetectorNumber();
    name_ = name.isEmpty() ? QStringLiteral("simulated-detector-%1").arg(number) : name;

    pod_.setSerialNumber(serialFor(0x5D, number));
    pod_.setHardwareRevision(3);
    pod_.setUserVerificationCode(12345);
    pod_.setModel(1);
    pod_.setSoftwareVersion({1, 77, 2});
    pod_.setBootloaderVersion({1, 4, 0});
    pod_.setValidity(true, 0x3, 0x3);

    tamarind_.setSerialNumber(serialFor(0x7A, number));
    tamarind_.setHardwareRevision(2);
    tamarind_.setModel(1);
    tamarind_.setSoftwareVersion({2, 3, 0});
    tamarind_.setValidity(true, 0x1, 0x1);

    leaveTimer_.setSingleShot(true);
    returnTimer_.setSingleShot(true);
    tamarindTimer_.setSingleShot(true);
    QObject::connect(&leaveTimer_, &QTimer::timeout, [this] { leaveBus(pendingMode_); });
    QObject::connect(&returnTimer_, &QTimer::timeout, [this] { comeBack(); });
    QObject::connect(&tamarindTimer_, &QTimer::timeout, [this] { bringTamarindBack(); });
}

SimulatedDetector::~SimulatedDetector() {
    leaveTimer_.stop();
    returnTimer_.stop();
    tamarindTimer_.stop();
    if (port_) {
        FakeHidBus::instance().unplug(port_);
        port_->detach();
    }
}

void SimulatedDetector::setPasswordSource(const SimulatedComponent::PasswordSource& source) {
    pod_.setPasswordSource(source);
    tamarind_.setPasswordSource(source);
}

// --- Presence on the bus ---

void SimulatedDetector::plug() {
    if (isPlugged()) {
        return;
    }
    if (port_) {
        port_->detach();
    }
    ++appearances_;
    path_ = QStringLiteral("%1/%2").arg(name_).arg(appearances_);
    framing_.reset();
    port_ = std::make_shared<SimulatedHidPort>(kVendorId, productId(), path_, usbSerialNumber(),
                                               [this](const QByteArray& data) { onReportData(data); });
    FakeHidBus::instance().plug(port_);
    podAway_ = false;
    noteEvent(QStringLiteral("plugged %1").arg(path_));
}

void SimulatedDetector::unplug() {
    leaveTimer_.stop();
    returnTimer_.stop();
    podAway_ = false;
    if (!isPlugged()) {
        return;
    }
    FakeHidBus::instance().unplug(port_);
    port_->detach();
    ++generation_;
    openChannels_.clear();
    noteEvent(QStringLiteral("unplugged"));
}

void SimulatedDetector::replug() {
    unplug();
    plug();
}

bool SimulatedDetector::isPlugged() const {
    return port_ && port_->isPlugged();
}

void SimulatedDetector::setPodMode(PodMode mode) {
    const bool wasPlugged = isPlugged();
    unplug();
    podMode_ = mode;
    pod_.setPersonality(podPersonality(mode));
    if (wasPlugged) {
        plug();
    }
}

quint16 SimulatedDetector::productId() const {
    return podMode_ == PodMode::Application ? kApplicationProductId : kBootloaderProductId;
}

QString SimulatedDetector::location() const {
    return QStringLiteral("HID::0x%1::0x%2::%3")
        .arg(kVendorId, 4, 16, QLatin1Char('0'))
        .arg(productId(), 4, 16, QLatin1Char('0'))
        .arg(path_);
}

// --- Restarts ---

void SimulatedDetector::setResetTiming(int leaveDelayMs, int returnDelayMs) {
    leaveDelayMs_ = leaveDelayMs;
    returnDelayMs_ = returnDelayMs;
}

void SimulatedDetector::restartPod(PodMode mode) {
    leaveBus(mode);
}

void SimulatedDetector::bringPodBack() {
    if (podAway_) {
        comeBack();
    }
}

void SimulatedDetector::leaveBus(PodMode nextMode) {
    leaveTimer_.stop();
    const bool wasPlugged = isPlugged();
    if (wasPlugged) {
        FakeHidBus::instance().unplug(port_);
        port_->detach();
    }
    ++generation_;
    openChannels_.clear();
    noteEvent(nextMode == PodMode::Bootloader ? QStringLiteral("restart to bootloader")
                                              : QStringLiteral("restart to application"));
    if (nextMode == PodMode::Application && spend(applicationStartFailures_)) {
        nextMode = PodMode::Bootloader;
        noteEvent(QStringLiteral("application did not start"));
    }
    podMode_ = nextMode;
    pod_.setPersonality(podPersonality(nextMode));
    pod_.restart();
    if (!wasPlugged) {
        return;
    }
    if (spend(podStaysAway_)) {
        podAway_ = true;
        noteEvent(QStringLiteral("stays away"));
        return;
    }
    if (returnDelayMs_ <= 0) {
        comeBack();
    } else {
        podAway_ = true;
        returnTimer_.start(returnDelayMs_);
    }
}

void SimulatedDetector::comeBack() {
    returnTimer_.stop();
    podAway_ = false;
    plug();
}

// --- The Tamarind gateway ---

void SimulatedDetector::bringTamarindBack() {
    tamarindTimer_.stop();
    tamarindAway_ = false;
}

bool SimulatedDetector::isTamarindReachable() const {
    return tamarindPresent_ && !tamarindAway_ && podMode_ == PodMode::Application;
}

void SimulatedDetector::restartTamarind() {
    tamarind_.restart();
    noteEvent(QStringLiteral("tamarind restart"));
    if (spend(tamarindStaysAway_)) {
        tamarindAway_ = true;
        return;
    }
    if (tamarindRebootMs_ > 0) {
        tamarindAway_ = true;
        tamarindTimer_.start(tamarindRebootMs_);
    }
}

// --- Link faults ---

void SimulatedDetector::setWriteFailures(int count) {
    if (port_) {
        port_->setWriteFailures(count);
    }
}

void SimulatedDetector::setReadFailures(int count) {
    if (port_) {
        port_->setReadFailures(count);
    }
}

void SimulatedDetector::setOpenFailures(int count) {
    if (port_) {
        port_->setOpenFailures(count);
    }
}

void SimulatedDetector::clearRecords() {
    linkEvents_.clear();
    pod_.clearTraffic();
    tamarind_.clearTraffic();
}

// --- The device side of the link ---

void SimulatedDetector::onReportData(const QByteArray& data) {
    const QList<DeviceFraming::Frame> frames = framing_.decode(data);
    const quint64 generation = generation_;
    for (const DeviceFraming::Frame& frame : frames) {
        // A frame earlier in this report restarted the pod; it never saw the rest.
        if (generation_ != generation) {
            break;
        }
        handleFrame(frame);
    }
}

void SimulatedDetector::handleFrame(const DeviceFraming::Frame& frame) {
    switch (frame.type) {
    case kControlFrame:
        handleControl(frame.payload);
        break;
    case kTunnelSetUpFrame:
        handleTunnelSetUp(frame.payload);
        break;
    case kTunnelDataFrame:
        handleTunnelData(frame.payload);
        break;
    default:
        noteEvent(QStringLiteral("frame ignored %1").arg(frame.type, 2, 16, QLatin1Char('0')));
        break;
    }
}

void SimulatedDetector::handleControl(const QByteArray& message) {
    const SimulatedComponent::Response response = pod_.handleMessage(message);
    if (response.restart == SimulatedComponent::Restart::None) {
        if (response.reply) {
            send(kControlFrame, *response.reply, response.corruptReport);
        }
        return;
    }
    const PodMode next = response.restart == SimulatedComponent::Restart::ToBootloader ? PodMode::Bootloader
                                                                                       : PodMode::Application;
    if (leaveDelayMs_ <= 0) {
        // Gone before the answer could be sent.
        pod_.noteAnswerLost();
        leaveBus(next);
        return;
    }
    if (response.reply) {
        send(kControlFrame, *response.reply, response.corruptReport);
    }
    if (!leaveTimer_.isActive()) {
        pendingMode_ = next;
        leaveTimer_.start(leaveDelayMs_);
    }
}

void SimulatedDetector::handleTunnelSetUp(const QByteArray& payload) {
    if (podMode_ != PodMode::Application) {
        noteEvent(QStringLiteral("tunnel set-up ignored %1").arg(hex(payload)));
        return;
    }
    noteEvent(QStringLiteral("tunnel set-up %1").arg(hex(payload)));
    if (payload.size() >= 3 && static_cast<std::uint8_t>(payload.at(0)) == kSetUpOpen &&
        static_cast<std::uint8_t>(payload.at(2)) == kSetUpOpenMarker) {
        const auto channel = static_cast<std::uint8_t>(payload.at(1));
        if (!openChannels_.contains(channel)) {
            openChannels_.append(channel);
        }
    }
}

void SimulatedDetector::handleTunnelData(const QByteArray& payload) {
    const auto address = payload.isEmpty() ? std::uint8_t{0} : static_cast<std::uint8_t>(payload.at(0));
    const std::uint8_t channel = address & kChannelBits;
    // The pod forwards only host-to-gateway (OUT) frames of an opened channel with someone behind it.
    if (payload.size() < 2 || (address & kOutFacet) == 0 || channel != tamarindChannel_ ||
        !openChannels_.contains(channel) || !isTamarindReachable()) {
        noteEvent(QStringLiteral("tunnel data ignored %1").arg(hex(payload.left(8))));
        return;
    }
    if (static_cast<std::uint8_t>(payload.at(1)) != kControlFrame) {
        noteEvent(QStringLiteral("tunnel frame ignored %1").arg(hex(payload.left(8))));
        return;
    }
    const SimulatedComponent::Response response = tamarind_.handleMessage(payload.mid(2));
    if (response.reply) {
        QByteArray reply;
        reply.append(static_cast<char>(channel));
        reply.append(static_cast<char>(kControlFrame));
        reply.append(*response.reply);
        send(kTunnelDataFrame, reply, response.corruptReport);
    }
    // The gateway answers its reset through the pod, which stays up, and then restarts.
    if (response.restart != SimulatedComponent::Restart::None) {
        restartTamarind();
    }
}

void SimulatedDetector::send(std::uint8_t frameType, const QByteArray& payload, bool corrupt) {
    if (!isPlugged()) {
        return;
    }
    QByteArray wire = DeviceFraming::encodeFrame(frameType, payload);
    if (corrupt) {
        DeviceFraming::corruptFrame(wire);
    }
    for (const QByteArray& report : DeviceFraming::splitIntoReports(wire)) {
        port_->pushReport(report);
    }
}

} // namespace cuu::test
