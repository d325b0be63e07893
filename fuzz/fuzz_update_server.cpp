// Hands the input to the update-server client as the server's reply: either to the locator's query,
// whose offer is then downloaded with the same reply answering every segment request, or to a
// downloader's segment request. The replies travel as the body of data: URLs, which the network
// access manager answers in process: the base URL's fragment is the one part of the URL that the
// client keeps, and everything after its comma is the body. So the real reply path runs, from
// QNetworkReply to the JSONP parser and the Base64 decoder, with no socket.
//
// Checks: a search and a download each end exactly once; an offer carries the version texts of the
// reply; progress stays within 0..100; a download that succeeds holds exactly the segment's decoded
// bytes, and only one of a single segment can succeed, since the same reply answers every request.
//
// Input: one flags byte, then the reply body. Bit 0: the body answers a segment request instead of
// the query; bits 1-2: the downloader's segment count; bits 3-5 pick its image size.

#include "fuzz/fuzz_support.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonValue>
#include <QUrl>

#include "fwup/communication/pump_events.h"
#include "fwup/coordination/update_server_reply.h"
#include "fwup/coordination/vela_update_server_downloader.h"
#include "fwup/coordination/vela_update_server_firmware_locator.h"
#include "fwup/firmware/version_string.h"
#include "fwup/identification/lodestar_system_identity.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace {

using fwup::DetectorType;

// The seeds and the dictionary use this name.
const QString detectorName = QStringLiteral("SUMMIT PRO");
// Around the segment size of 740000 bytes, and the ends of the range.
const int imageSizes[8] = {0, 1, 1000000, 740000, 1480000, -1, INT_MAX, INT_MIN};
// Every reply is handled in process at once; one still open after this long never ends.
constexpr int replyPatienceMs = 5000;

struct Harness {
    Harness()
        : destination(fuzzsupport::scratchDirectory().absoluteFilePath(QStringLiteral("download"))) {
        fwup::MbuComponentIdentity pod;
        pod.productType = 144;
        pod.detectorType = DetectorType::LODESTAR_MODEL_1;
        fwup::TamarindComponentIdentity tamarind;
        tamarind.detectorType = DetectorType::LODESTAR_JUNIPER;
        identity =
            std::make_unique<fwup::LodestarSystemIdentity>(tamarind, pod, DetectorType::LODESTAR_MODEL_1);
    }

    QString destination;
    std::unique_ptr<fwup::LodestarSystemIdentity> identity;
    QByteArray body;
    std::vector<int> progress;
};

Harness* harness = nullptr;

// A base URL whose every request is answered with the body.
QUrl answering(const QByteArray& body) {
    QUrl url(QStringLiteral("data:"));
    url.setFragment(QLatin1Char(',') + QString::fromLatin1(body.toPercentEncoding()), QUrl::StrictMode);
    return url;
}

// Runs the event loop until `done` says so; a reply that is never handled is a fault.
void runUntil(const std::function<bool()>& done) {
    if (!fwup::pump_events_until(done, {}, QDeadlineTimer(replyPatienceMs))) {
        std::abort();
    }
    // The replies were deleted later; later is now, not at the end of the run.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The bytes a successful download must hold: the reply's one segment, decoded.
void expectSegment(const Harness& h) {
    const fwup::UpdateServerReply reply(h.body, "Fuzzed segment");
    const QByteArray expected =
        QByteArray::fromBase64(reply.object().value(QLatin1String("segment")).toString().toLatin1());
    QFile file(h.destination);
    if (!file.open(QIODevice::ReadOnly) || file.readAll() != expected) {
        std::abort();
    }
}

// Runs the download to its end and checks how it ended and what it wrote.
void download(Harness& h, fwup::FirmwareDownloader& downloader, int totalSegments) {
    h.progress.clear();
    int endings = 0;
    bool success = false;
    QObject::connect(&downloader, &fwup::FirmwareDownloader::downloadProgress,
                     [&h](int percent) { h.progress.push_back(percent); });
    QObject::connect(&downloader, &fwup::FirmwareDownloader::finished, [&](bool succeeded) {
        ++endings;
        success = succeeded;
    });
    downloader.downloadSize(); // what the window shows, from sizes the server sent
    downloader.startDownload(h.destination);
    runUntil([&endings] { return endings > 0; });
    QCoreApplication::processEvents(); // a second ending would come now
    if (endings != 1) {
        std::abort();
    }
    for (const int percent : h.progress) {
        if (percent < 0 || percent > 100) {
            std::abort();
        }
    }
    if (!success) {
        return;
    }
    if (totalSegments > 1) {
        std::abort(); // the second request got the first segment again
    }
    expectSegment(h);
}

void fuzzQuery(Harness& h) {
    fwup::VelaUpdateServerFirmwareLocator locator(DetectorType::LODESTAR_MODEL_1, detectorName,
                                                  answering(h.body));
    int endings = 0;
    QObject::connect(&locator, &fwup::RemoteFirmwareLocator::searchFinished, [&endings] { ++endings; });
    if (!locator.startSearchForLatestVersion(*h.identity)) {
        std::abort();
    }
    runUntil([&endings] { return endings > 0; });
    QCoreApplication::processEvents();
    if (endings != 1) {
        std::abort();
    }
    const std::unique_ptr<fwup::FirmwareDownloader> offer = locator.latestVersionDownloader();
    if (!offer) {
        return;
    }
    const fwup::UpdateServerReply reply(h.body, "Fuzzed query");
    const QJsonValue detectorVersion = reply.object().value(QLatin1String("detver"));
    const QJsonValue podVersion = reply.object().value(QLatin1String("podver"));
    if (!detectorVersion.isString() || !podVersion.isString() ||
        offer->detectorVersion() != fwup::parse_version_string(detectorVersion.toString()) ||
        offer->podVersion() != fwup::parse_version_string(podVersion.toString()) ||
        offer->gprVersion() != fwup::Version{}) {
        std::abort();
    }
    // A reply that is both an offer and a segment can be downloaded.
    download(h, *offer, reply.object().value(QLatin1String("totalsegments")).toVariant().toInt());
}

void fuzzSegment(Harness& h, int totalSegments, int appSize) {
    fwup::VelaUpdateServerDownloader downloader(fwup::Version{1, 2, 3}, fwup::Version{4, 5, 6},
                                                answering(h.body), detectorName, totalSegments, appSize,
                                                nullptr);
    download(h, downloader, totalSegments);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzsupport::silenceLogging();
    static QCoreApplication application(*argc, *argv);
    static Harness instance;
    harness = &instance;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    Harness& h = *harness;
    const std::uint8_t flags = data[0];
    h.body = QByteArray(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    if ((flags & 1) == 0) {
        fuzzQuery(h);
    } else {
        fuzzSegment(h, (flags >> 1) & 3, imageSizes[(flags >> 3) & 7]);
    }
    return 0;
}
