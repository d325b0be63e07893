// Puts a file into the simulated control pod's bootloader with the bootloader file putter, over the
// program's own link stack, with the hidapi stand-in's full-speed pacing on: each report written
// takes a 1 ms USB frame, and at most one report per frame is read. Prints the put's throughput,
// its ratio to the bound of stop-and-wait on that link (every report a packet and its answer need,
// 1 ms each), and its ratio to the bound of the connection's pump (at most five reports a service
// call, one call per 10 ms tick of the putter).
//
//     bench_file_put [bytes]        (default 1 MiB)
//
// The put is timed from the first packet's acknowledgement to the end of the put, so the product
// type read, the login and the offset check before it do not count.
#include "fwup/communication/corvane_device_muppet_connection.h"
#include "fwup/installation/direct_connection_component_relocator.h"
#include "fwup/installation/mbu_bootloader_file_putter.h"
#include "tests/fwup/installation/installation_test_support.h"
#include "tests/support/simulated_detector/device_framing.h"
#include "tests/support/simulated_detector/simulated_hid_port.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryFile>

#include <algorithm>
#include <cstdio>
#include <optional>

using namespace installation_test;

namespace {

constexpr qsizetype DEFAULT_SIZE = 1 << 20;
constexpr double FRAME_S = 0.001;
constexpr double TICK_S = fwup::MbuBootloaderFilePutter::TICK_MS / 1000.0;
constexpr double REPORTS_PER_TICK = fwup::CorvaneDeviceMuppetConnection::SERVICE_PASSES;
constexpr cvsw::muppet::ProductTypeId POD_APPLICATION = 144;
constexpr cvsw::muppet::ProductTypeId POD_BOOTLOADER = 145;
constexpr std::uint16_t CONTROL_POD_IMAGE = 11000;

void dropDebugMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

// Reports the pod sent back for its requests from the given one on.
qsizetype answerReports(const SimulatedComponent& pod, qsizetype from) {
    const QList<cuu::test::TrafficEntry> traffic = pod.traffic();
    qsizetype reports = 0;
    for (qsizetype i = from; i < traffic.size(); ++i) {
        if (!traffic[i].reply.isEmpty()) {
            reports +=
                cuu::test::DeviceFraming::reportCount(SimulatedDetector::kControlFrame, traffic[i].reply);
        }
    }
    return reports;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    qInstallMessageHandler(dropDebugMessages);
    const qsizetype packet = fwup::FilePutter::DEFAULT_PACKET_SIZE;
    qsizetype size = argc > 1 ? QByteArray(argv[1]).toLongLong() : DEFAULT_SIZE;
    // Timing starts at the first acknowledgement, so at least one more packet must follow it.
    size = std::max(size, 2 * packet);

    QTemporaryFile image;
    if (!image.open()) {
        std::fprintf(stderr, "cannot write the image file\n");
        return 1;
    }
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i * 2654435761u >> 13);
    }
    image.write(bytes);
    image.close();

    registerLinkStack();
    const auto detector = plugDetector(SimulatedDetector::PodMode::Bootloader);
    FakeHidBus::instance().setFullSpeedPacing(true);
    fwup::MbuBootloaderFilePutter putter(POD_BOOTLOADER, POD_APPLICATION, std::chrono::milliseconds(10000));

    QElapsedTimer clock;
    qint64 writesAtStart = 0;
    qsizetype trafficAtStart = 0;
    std::optional<bool> done;
    QEventLoop loop;
    putter.start(
        std::make_shared<fwup::DirectConnectionComponentRelocator>(30, 250),
        {{CONTROL_POD_IMAGE, image.fileName()}}, detector->usbSerialNumber(), detector->location(),
        [&](const QString&) {
            done = true;
            loop.quit();
        },
        [&](fwup::ProgressPercentage) {
            if (!clock.isValid()) {
                clock.start();
                writesAtStart = detector->port()->writeCallCount();
                trafficAtStart = detector->pod().traffic().size();
            }
        },
        [&] {
            done = false;
            loop.quit();
        },
        false);
    if (!done) {
        loop.exec();
    }
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    if (!*done || detector->pod().file(CONTROL_POD_IMAGE) != bytes) {
        std::fprintf(stderr, "the put failed\n");
        return 1;
    }

    const qsizetype timedBytes = size - packet;
    const double reports = static_cast<double>(detector->port()->writeCallCount() - writesAtStart) +
                           static_cast<double>(answerReports(detector->pod(), trafficAtStart));
    const double rate = static_cast<double>(timedBytes) / seconds;
    const double stopAndWaitRate = static_cast<double>(timedBytes) / (reports * FRAME_S);
    const double pumpRate = static_cast<double>(timedBytes) / (reports / REPORTS_PER_TICK * TICK_S);
    std::printf("file put: %lld bytes in %.3f s, %.1f KB/s (%.1f reports per 1024-byte packet)\n",
                static_cast<long long>(timedBytes), seconds, rate / 1e3,
                reports / (static_cast<double>(timedBytes) / static_cast<double>(packet)));
    std::printf("ratio to the stop-and-wait bound of the link (%.1f KB/s): %.2f\n", stopAndWaitRate / 1e3,
                rate / stopAndWaitRate);
    std::printf("share of the pump's bound (%.1f KB/s): %.1f %%\n", pumpRate / 1e3, 100.0 * rate / pumpRate);
    return 0;
}
