// One whole application-path update, as the registered Lodestar updater runs it with its real waits:
// the sub-system's two images through the pod's tunnel, then the control-pod image, on the simulated
// detector behind the hidapi stand-in with full-speed pacing (each report written takes a 1 ms USB
// frame, at most one report per frame is read). Start-up is main's: the detector-support list fills
// the registries, and the registered parser, extractor and identifier prepare the update.
//
//     bench_update [bytes]        (control-pod image, default 1 MiB; the sub-system's images are a
//                                  quarter and an eighth of it)
//
// Prints the total time; the time the fixed waits account for (the 1000 ms ticks of the updater's
// short steps, which service their connection once a tick; the sub-system's restart animation and
// pauses; the silences after the pod's resets; the application's start; the relocator's first
// intervals; the time-outs of the sub-system that a pod in its bootloader cannot reach; and the step
// timer's rounding after the two long steps); the transfer time the pump allows (at most five
// reports per service call, one call per 10 ms tick of each putter) beside the time the puts took;
// and what is left over, which is our own cost. Exit status 3 when that is a tenth of the total or
// more. A run takes about 70 s at the smallest size, most of it fixed waits.
#include "fwup/communication/corvane_device_muppet_connection.h"
#include "fwup/communication/detector_locator.h"
#include "fwup/coordination/application_configuration.h"
#include "fwup/coordination/detector_support.h"
#include "fwup/firmware/firmware_file_parser.h"
#include "fwup/firmware/firmware_image_extractor.h"
#include "fwup/firmware/i_firmware_catalog_file.h"
#include "fwup/firmware/i_system_update.h"
#include "fwup/identification/detector_identifier.h"
#include "fwup/identification/i_system_identity.h"
#include "fwup/identification/identification_timing.h"
#include "fwup/installation/detector_updater.h"
#include "fwup/installation/mbu_and_tamarind_update_timing.h"
#include "fwup/installation/mbu_bootloader_file_putter.h"
#include "fwup/installation/tamarind_file_putter.h"
#include "tests/support/containers/cvb_test_keys.h"
#include "tests/support/containers/firmware_metadata.h"
#include "tests/support/fake_hidapi/fake_hid_bus.h"
#include "tests/support/operator_passwords/generated_operator_password.h"
#include "tests/support/simulated_detector/command_ids.h"
#include "tests/support/simulated_detector/device_framing.h"
#include "tests/support/simulated_detector/simulated_detector.h"
#include "tests/support/simulated_detector/simulated_hid_port.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>

using cuu::test::DeviceFraming;
using cuu::test::SimulatedComponent;
using cuu::test::SimulatedDetector;
using cuu::test::TrafficEntry;
namespace command_id = cuu::test::command_id;

namespace {

constexpr qsizetype DEFAULT_SIZE = 1 << 20;
constexpr fwup::Version POD_VERSION{1, 80, 0};
constexpr fwup::Version TAMARIND_VERSION{2, 6, 0};
constexpr std::uint16_t POD_IMAGE = 11000;
constexpr std::uint16_t CPUAPP_IMAGE = 11081;
constexpr std::uint16_t CPUNET_IMAGE = 11082;
// The sub-system's restart animation (0..90) and its found animation (90..100), and its pauses.
constexpr int RESTART_STEPS = 91;
constexpr int FOUND_STEPS = 11;
constexpr int PAUSES = 6;
constexpr double REPORTS_PER_CALL = fwup::CorvaneDeviceMuppetConnection::SERVICE_PASSES;

QElapsedTimer clock_;
QList<QPair<qint64, QString>> banners_;
std::function<void(const QString&)> onBanner_;

// Keeps the updater's step banners (in capitals) with their times; drops the rest of the debug.
void keepBanners(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    } else if (clock_.isValid() && message == message.toUpper() && message.size() > 8) {
        banners_.append({clock_.elapsed(), message});
        if (onBanner_) {
            onBanner_(message);
        }
    }
}

qint64 bannerAt(const QString& banner) {
    for (const auto& [at, text] : std::as_const(banners_)) {
        if (text == banner) {
            return at;
        }
    }
    return -1;
}

// The step ticks of the updater's short steps (all but the sub-system update and the put): their
// agents are done within a tick or are driven by the tick's one service call, so each lasts a whole
// number of ticks.
int shortStepTicks(qint64 total, int interval) {
    const QList<QPair<QString, QString>> spans{
        {QString(), QStringLiteral("IN APPLICATION, PERFORMING APPLICATION UPDATE")},
        {QStringLiteral("INDICATE UPGRADE"), QStringLiteral("PERFORMING TAMARIND UPDATE")},
        {QStringLiteral("STORING SETTINGS"), QStringLiteral("PERFORMING CONTROL POD FILE TRANSFER")},
        {QStringLiteral("LOGIN AFTER FILE PUT"), QStringLiteral("UPGRADEABLE COMPONENT VALIDITY GET")},
        {QStringLiteral("UPGRADEABLE COMPONENT VALIDITY GET"), QStringLiteral("CHECKING VALIDITY")},
        {QStringLiteral("CHECKING VALIDITY"), QString()},
    };
    int ticks = 0;
    for (const auto& [from, to] : spans) {
        const qint64 start = from.isEmpty() ? 0 : bannerAt(from);
        const qint64 end = to.isEmpty() ? total : bannerAt(to);
        ticks += static_cast<int>(std::lround(static_cast<double>(end - start) / interval));
    }
    return ticks;
}

QByteArray patterned(qsizetype size, unsigned seed) {
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((static_cast<unsigned>(i) + seed) * 2654435761u >> 13);
    }
    return bytes;
}

bool writeFirmware(const QString& path, const QByteArray& pod, const QByteArray& app, const QByteArray& net) {
    using namespace cvbtest;
    const auto bytes = [](const QByteArray& array) {
        return Bytes(array.cbegin(), array.cend());
    };
    MbuHeaderLayout podHeader;
    podHeader.version = {POD_VERSION.major, POD_VERSION.minor, POD_VERSION.patch};
    podHeader.hardwareFlags = 1u << 3;
    podHeader.requiredBtIcdRevision = 3;
    CpuAppHeaderLayout appHeader;
    appHeader.version = {TAMARIND_VERSION.major, TAMARIND_VERSION.minor, TAMARIND_VERSION.patch};
    appHeader.hardwareFlags = 1u << 2;
    appHeader.btIcdRevision = 3;
    appHeader.pairingId = pairingId(7);
    CpuNetHeaderLayout netHeader;
    netHeader.pairingId = appHeader.pairingId;
    return writeContainer(
        path, {{firmwareBlock("LDSTCP01", mbuHeader(podHeader), bytes(pod), LodestarModel1ProductionSecret),
                firmwareBlock("LDSTJNA1", cpuAppHeader(appHeader), bytes(app),
                              LodestarJuniperCpuAppProductionSecret),
                firmwareBlock("LDSTJNN1", cpuNetHeader(netHeader), bytes(net),
                              LodestarJuniperCpuNetProductionSecret)},
               {}});
}

// The reports of the file packets each way, counted on the wire: what the host wrote for a request
// since the request before it (pod and sub-system share the pod's port), and what the device sent back.
struct PacketCounter {
    std::shared_ptr<cuu::test::SimulatedHidPort> port;
    int writesSeen = 0;
    qint64 podReports = 0;
    qint64 tamarindReports = 0;
    int podPackets = 0;
    int tamarindPackets = 0;
    // From the first file packet to the last, for each side.
    qint64 podFirst = -1;
    qint64 podLast = -1;
    qint64 tamarindFirst = -1;
    qint64 tamarindLast = -1;

    void onRequest(const SimulatedDetector& detector, const TrafficEntry& entry, bool tunnelled) {
        if (detector.port() != port) {
            port = detector.port();
            writesSeen = 0;
        }
        const int writes = port->writeCallCount();
        if (entry.commandId == command_id::FILE_PUT_LPD && entry.mode == 1) {
            QByteArray answer = entry.reply;
            if (tunnelled) {
                answer.prepend("\x01\xff", 2);
            }
            const qsizetype answerReports = DeviceFraming::reportCount(
                tunnelled ? SimulatedDetector::kTunnelDataFrame : SimulatedDetector::kControlFrame, answer);
            (tunnelled ? tamarindReports : podReports) += writes - writesSeen + answerReports;
            ++(tunnelled ? tamarindPackets : podPackets);
            qint64& first = tunnelled ? tamarindFirst : podFirst;
            if (first < 0) {
                first = clock_.elapsed();
            }
            (tunnelled ? tamarindLast : podLast) = clock_.elapsed();
        }
        writesSeen = writes;
    }
};

double seconds(qint64 milliseconds) {
    return static_cast<double>(milliseconds) / 1000.0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    qInstallMessageHandler(keepBanners);
    const qsizetype size =
        std::max<qsizetype>(argc > 1 ? QByteArray(argv[1]).toLongLong() : DEFAULT_SIZE, 1024);
    const QByteArray podImage = patterned(size, 1);
    const QByteArray cpuAppImage = patterned(size / 4, 2);
    const QByteArray cpuNetImage = patterned(size / 8, 3);

    // main's start-up, with its own data directory.
    QTemporaryDir work;
    const QDir data(work.filePath(QStringLiteral("data")));
    if (!work.isValid() || !data.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot make a work directory\n");
        return 1;
    }
    const fwup::ApplicationConfiguration config{data, QUrl(), true};
    fwup::for_each_supported_detector([&config](const fwup::DetectorSupport& support) { support(config); });

    const QString file = work.filePath(QStringLiteral("lodestar.cvb"));
    std::unique_ptr<fwup::ISystemUpdate> update;
    if (writeFirmware(file, podImage, cpuAppImage, cpuNetImage)) {
        for (const auto& found : fwup::parse_with_registered_parsers(file)) {
            for (const auto& extractor : fwup::global_firmware_image_extractor_registry()) {
                if (!update) {
                    update = extractor->extractFirmware(*found);
                }
            }
        }
    }
    if (!update) {
        std::fprintf(stderr, "the firmware could not be made or extracted\n");
        return 1;
    }

    SimulatedDetector detector;
    detector.setPasswordSource(&cuu::test::generated_operator_password);
    detector.pod().setImageVersion(POD_VERSION);
    detector.tamarind().setImageVersion(TAMARIND_VERSION);
    detector.plug();
    cuu::test::FakeHidBus::instance().setFullSpeedPacing(true);
    const auto identity =
        fwup::global_detector_identifier_registry().first()->identifyDetector(detector.location());
    if (!identity) {
        std::fprintf(stderr, "the detector was not identified\n");
        return 1;
    }
    detector.clearRecords();

    PacketCounter packets;
    qint64 tamarindIndicationCleared = -1;
    qint64 lastPodRequest = 0;
    qint64 putReported = -1;
    detector.pod().setRequestHook([&](const TrafficEntry& entry) {
        packets.onRequest(detector, entry, false);
        lastPodRequest = clock_.elapsed();
    });
    detector.tamarind().setRequestHook([&](const TrafficEntry& entry) {
        packets.onRequest(detector, entry, true);
        if (entry.commandId == command_id::INDICATE_FIRMWARE_UPGRADE && entry.mode == 1 &&
            !entry.payload.isEmpty() && entry.payload.at(0) == 0 && tamarindIndicationCleared < 0) {
            tamarindIndicationCleared = clock_.elapsed();
        }
    });
    // The putter's last request is its product-type read after finding the pod again.
    onBanner_ = [&](const QString& banner) {
        if (banner == QStringLiteral("LOGIN AFTER FILE PUT")) {
            putReported = lastPodRequest;
        }
    };

    const QSharedPointer<fwup::DetectorUpdater> updater = fwup::global_detector_updater_registry().first();
    std::optional<fwup::UpdaterStatus> status;
    QEventLoop loop;
    QObject::connect(updater.data(), &fwup::DetectorUpdater::finished, [&](fwup::UpdaterStatus result) {
        status = result;
        loop.quit();
    });
    clock_.start();
    const bool started = updater->startUpdate(*identity, detector.location(), *update);
    if (started) {
        loop.exec();
    }
    const qint64 total = clock_.elapsed();
    if (!started || status != fwup::UpdaterStatus::COMPLETE || detector.pod().file(POD_IMAGE) != podImage ||
        detector.tamarind().file(CPUAPP_IMAGE) != cpuAppImage ||
        detector.tamarind().file(CPUNET_IMAGE) != cpuNetImage) {
        std::fprintf(stderr, "the update failed\n");
        return 1;
    }

    // The fixed waits, from the defaults the registrar's objects run with.
    const fwup::MbuAndTamarindUpdateTiming timing;
    const fwup::IdentificationTiming identification;
    const int ticks = shortStepTicks(total, timing.stepIntervalMs);
    const qint64 steps = ticks * static_cast<qint64>(timing.stepIntervalMs);
    const qint64 restart = RESTART_STEPS * static_cast<qint64>(timing.tamarind.restartStepMs) +
                           FOUND_STEPS * static_cast<qint64>(timing.tamarind.foundStepMs);
    const qint64 pauses = PAUSES * static_cast<qint64>(timing.tamarind.progressPauseMs);
    // Both pod resets go unanswered: the pod leaves the bus at once.
    const qint64 resets = 2 * static_cast<qint64>(timing.filePut.resetTimeoutMs);
    const qint64 applicationStart = static_cast<qint64>(timing.filePut.applicationStartWaitMs);
    // The relocator waits its interval before its first attempt, twice in the put.
    const qint64 relocation = 2 * static_cast<qint64>(timing.relocationRetryIntervalMs);
    // Identifying the pod in its bootloader, the sub-system's product type goes unanswered.
    const qint64 silentSubSystem =
        static_cast<qint64>(identification.productTypeFirstTimeoutMs +
                            (identification.attemptLimit - 1) * identification.resendTimeoutMs);
    // The two long steps end at the first step tick after their agent has reported.
    // (Their ends are marked by the agent's next request, a tick at most after its report: never below 0.)
    const qint64 tamarindRounding =
        std::max<qint64>(0, bannerAt(QStringLiteral("STORING SETTINGS")) - tamarindIndicationCleared);
    const qint64 putRounding =
        std::max<qint64>(0, bannerAt(QStringLiteral("LOGIN AFTER FILE PUT")) - putReported);
    const qint64 fixed = steps + restart + pauses + resets + applicationStart + relocation + silentSubSystem +
                         tamarindRounding + putRounding;

    const double tick = fwup::MbuBootloaderFilePutter::TICK_MS / 1000.0;
    static_assert(fwup::MbuBootloaderFilePutter::TICK_MS == fwup::TamarindFilePutter::TICK_MS);
    const double podPump = static_cast<double>(packets.podReports) / REPORTS_PER_CALL * tick;
    const double tamarindPump = static_cast<double>(packets.tamarindReports) / REPORTS_PER_CALL * tick;
    const double pump = podPump + tamarindPump;
    const double left = seconds(total) - seconds(fixed) - pump;

    std::printf(
        "application-path update: control-pod image %lld bytes, sub-system images %lld + %lld bytes\n",
        static_cast<long long>(size), static_cast<long long>(cpuAppImage.size()),
        static_cast<long long>(cpuNetImage.size()));
    std::printf("total                %8.3f s\n", seconds(total));
    std::printf("fixed waits          %8.3f s\n", seconds(fixed));
    std::printf("  step ticks         %8.3f s  (%d ticks of the short steps)\n", seconds(steps), ticks);
    std::printf("  step tick rounding %8.3f s  (after the sub-system update %.3f, after the put %.3f)\n",
                seconds(tamarindRounding + putRounding), seconds(tamarindRounding), seconds(putRounding));
    std::printf("  sub-system restart %8.3f s  (%d and %d animation steps)\n", seconds(restart),
                RESTART_STEPS, FOUND_STEPS);
    std::printf("  sub-system pauses  %8.3f s\n", seconds(pauses));
    std::printf("  pod reset silences %8.3f s\n", seconds(resets));
    std::printf("  application start  %8.3f s\n", seconds(applicationStart));
    std::printf("  relocation waits   %8.3f s\n", seconds(relocation));
    std::printf("  silent sub-system  %8.3f s  (the pod in its bootloader)\n", seconds(silentSubSystem));
    std::printf("pump bound           %8.3f s  (%lld + %lld reports in %d + %d packets, %.0f a %d ms call)\n",
                pump, static_cast<long long>(packets.podReports),
                static_cast<long long>(packets.tamarindReports), packets.podPackets, packets.tamarindPackets,
                REPORTS_PER_CALL, fwup::MbuBootloaderFilePutter::TICK_MS);
    std::printf(
        "  the puts took      %8.3f s  (control pod %.3f s against %.3f, sub-system %.3f s against %.3f)\n",
        seconds(packets.podLast - packets.podFirst + packets.tamarindLast - packets.tamarindFirst),
        seconds(packets.podLast - packets.podFirst), podPump,
        seconds(packets.tamarindLast - packets.tamarindFirst), tamarindPump);
    std::printf("left over            %8.3f s = %.1f %% of the total\n", left, 100.0 * left / seconds(total));
    std::printf("steps:");
    qint64 previous = 0;
    for (const auto& [at, text] : std::as_const(banners_)) {
        std::printf(" %.3f %s |", seconds(at - previous), qPrintable(text));
        previous = at;
    }
    std::printf(" %.3f end\n", seconds(total - previous));
    return left < 0.1 * seconds(total) ? 0 : 3;
}
