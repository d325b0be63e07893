// Qt first: moc's preprocessor trips over <compare> when it meets it before any Qt header.
#include <QDir>
#include <QFile>
#include <QNetworkProxy>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include "fwup/communication/detector_locator.h"
#include "fwup/coordination/firmware_update_state_machine.h"
#include "fwup/coordination/noop_remote_firmware_locator.h"
#include "fwup/coordination/vela_update_server_downloader.h"
#include "fwup/coordination/vela_update_server_firmware_locator.h"
#include "fwup/firmware/filesystem_firmware_catalog.h"
#include "fwup/firmware/i_catalog_manager.h"
#include "fwup/firmware/lodestar_catalog_manager.h"
#include "fwup/firmware/mbu_and_tamarind_firmware_file_parser.h"
#include "fwup/identification/detector_identifier.h"
#include "fwup/identification/lodestar_system_identity.h"
#include "tests/fwup/firmware/firmware_test_support.h"
#include "tests/support/registries/registry_reset.h"
#include "tests/support/update_server/fake_update_server.h"

#include <limits>

using updtest::FakeUpdateServer;
using Answer = FakeUpdateServer::Answer;
using Items = QList<std::pair<QString, QString>>;
using fwup::DetectorType;
using Machine = fwup::FirmwareUpdateStateMachine;
using State = Machine::State;

Q_DECLARE_METATYPE(FakeUpdateServer::Answer)

namespace {

const QString SummitPro = QStringLiteral("SUMMIT PRO");
const QString Rejected = QStringLiteral("W:Failed to parse server response for latest version");
const QString Unhandleable = QStringLiteral("W:Unhandleable segment respose encountered");

// Six segments of 1000 bytes, none alike.
const QByteArray Image = [] {
    QByteArray bytes(6000, Qt::Uninitialized);
    for (int i = 0; i < bytes.size(); ++i) {
        bytes[i] = char(i * 7 + i / 1000);
    }
    return bytes;
}();

fwup::LodestarSystemIdentity lodestar(DetectorType type = DetectorType::LODESTAR_MODEL_1) {
    fwup::MbuComponentIdentity pod;
    pod.productType = 144;
    pod.detectorType = type;
    fwup::TamarindComponentIdentity tamarind;
    tamarind.detectorType = DetectorType::LODESTAR_JUNIPER;
    return fwup::LodestarSystemIdentity(tamarind, pod, type);
}

QByteArray lodestarContainer() {
    using namespace fwtest;
    MbuHeaderLayout pod;
    pod.version = {1, 90, 0};
    pod.hardwareFlags = 1;
    CpuAppHeaderLayout app;
    app.version = {2, 0, 0};
    app.hardwareFlags = 1;
    const Bytes image = patternBytes(2000, 7);
    const Bytes bytes = buildContainer(
        {{podBlock("LDSTCP01", PodSecret1, pod, image), cpuAppBlock(app, image), cpuNetBlock({}, image)},
         {}});
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

// One Lodestar of model 1, wherever it is asked about.
struct OneDetectorLocator final : fwup::DetectorLocator {
    QStringList getConnectedDetectors() override { return {QStringLiteral("HID::A")}; }
};

struct OneLodestarIdentifier final : fwup::DetectorIdentifier {
    std::unique_ptr<fwup::ISystemIdentity> identifyDetector(const QString&) override {
        return std::make_unique<fwup::LodestarSystemIdentity>(lodestar());
    }
};

QUrl closedPortUrl() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(probe.serverPort()));
}

// Each entry: a level letter (D, I or W), a colon and the start of a message that must be logged.
void expectMessages(const QStringList& expected) {
    for (const QString& entry : expected) {
        const QtMsgType type = entry[0] == QLatin1Char('W')   ? QtWarningMsg
                               : entry[0] == QLatin1Char('I') ? QtInfoMsg
                                                              : QtDebugMsg;
        QTest::ignoreMessage(type,
                             QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(entry.mid(2))));
    }
}

QJsonObject with(QJsonObject object, const QString& key, const QJsonValue& value) {
    if (value.isUndefined()) {
        object.remove(key);
    } else {
        object.insert(key, value);
    }
    return object;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Runs one accepted search to its end.
bool search(fwup::RemoteFirmwareLocator& locator) {
    QSignalSpy finished(&locator, &fwup::RemoteFirmwareLocator::searchFinished);
    const bool ok = locator.startSearchForLatestVersion(lodestar()) && finished.wait(5000);
    QTest::qWait(20); // a second signal would come now
    return ok && finished.size() == 1;
}

// Downloads into the path; true only for one outcome that is success.
bool download(fwup::FirmwareDownloader& downloader, const QString& path) {
    QSignalSpy finished(&downloader, &fwup::FirmwareDownloader::finished);
    downloader.startDownload(path);
    const bool ended = finished.wait(10000);
    QTest::qWait(20);
    return ended && finished.size() == 1 && finished.first().first().toBool();
}

} // namespace

class TestUpdateServerClient : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeUpdateServer> server_;
    QTemporaryDir dir_;
    QString target_;

    std::unique_ptr<fwup::VelaUpdateServerDownloader> downloader(int totalSegments, int appSize,
                                                                 const QUrl& base = {}) {
        return std::make_unique<fwup::VelaUpdateServerDownloader>(
            fwup::Version{1, 2, 3}, fwup::Version{4, 5, 6}, base.isEmpty() ? server_->baseUrl() : base,
            SummitPro, totalSegments, appSize, nullptr);
    }

    QStringList segmentsAsked() const {
        QStringList numbers;
        for (const QUrl& url : server_->requests()) {
            numbers << QUrlQuery(url).queryItemValue(QStringLiteral("segnum"));
        }
        return numbers;
    }

private slots:
    void initTestCase() {
        // Loopback traffic must not go to a proxy named by the environment.
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        QVERIFY(dir_.isValid());
        target_ = dir_.filePath(QStringLiteral("download"));
    }

    void cleanup() { regtest::clear_all_registries(); }

    void init() {
        server_ = std::make_unique<FakeUpdateServer>();
        QVERIFY(server_->listen());
        server_->offer(SummitPro, Image, 1000, QStringLiteral("1.2.3"), QStringLiteral("4.5.6"));
    }

    void searchAndDownloadIntoTheCatalog() {
        const QByteArray container = lodestarContainer();
        server_->offer(SummitPro, container, 1000, QStringLiteral("1.90.0"), QStringLiteral("1.90.0"));
        fwup::VelaUpdateServerFirmwareLocator locator(
            DetectorType::LODESTAR_MODEL_1, SummitPro,
            server_->baseUrl().resolved(QUrl(QStringLiteral("/api"))));
        QVERIFY(!locator.startSearchForLatestVersion(lodestar(DetectorType::LODESTAR_MODEL_2)));
        QVERIFY(search(locator));
        const std::unique_ptr<fwup::FirmwareDownloader> downloader = locator.latestVersionDownloader();
        QVERIFY(downloader);
        expectMessages({QStringLiteral("I:Finished writing download to \"%1\"").arg(target_)});
        QVERIFY(download(*downloader, target_));
        QCOMPARE(readFile(target_), container);

        // The search, then every segment in order.
        const int segments = int((container.size() + 999) / 1000);
        QVERIFY(segments >= 3);
        QCOMPARE(server_->requests().size(), 1 + segments);
        QCOMPARE(server_->requests().first().path(), QStringLiteral("/update"));
        QCOMPARE(QUrlQuery(server_->requests().first()).queryItems(QUrl::FullyDecoded),
                 (Items{{"callback", "x"},
                        {"action", "getdetver"},
                        {"detectorname", SummitPro},
                        {"detsoftver", "0.0.0"},
                        {"podsoftver", "0.0.0"}}));
        for (int n = 1; n <= segments; ++n) {
            QCOMPARE(server_->requests().at(n).path(), QStringLiteral("/detcode"));
            QCOMPARE(QUrlQuery(server_->requests().at(n)).queryItems(QUrl::FullyDecoded),
                     (Items{{"callback", "x"},
                            {"detectorname", SummitPro},
                            {"detsoftver", "1.90.0"},
                            {"podsoftver", "1.90.0"},
                            {"segnum", QString::number(n)}}));
        }

        fwup::legacy_catalog_manager_registry() = {QSharedPointer<fwup::LodestarCatalogManager>::create()};
        fwup::MbuAndTamarindFirmwareFileParser<cvsw::cvbv3::MbuMetadataHeaderV2> parser(
            fwtest::PodTag1, fwtest::CpuAppTag, fwtest::CpuNetTag, fwtest::PodSecret1, fwtest::CpuAppSecret,
            fwtest::CpuNetSecret, DetectorType::LODESTAR_MODEL_1);
        const auto parsed = parser.parseFile(target_);
        QCOMPARE(parsed.size(), std::size_t(1));
        fwup::FilesystemFirmwareCatalog catalog{QDir(dir_.filePath(QStringLiteral("catalog")))};
        QVERIFY(catalog.addOrUpdateFirmware(*parsed.front()));
        const auto offered = catalog.firmwareForDetector(lodestar());
        fwup::legacy_catalog_manager_registry().clear();
        QCOMPARE(offered.size(), std::size_t(1));
        QCOMPARE(offered.front()->componentVersions().value(fwup::UpgradeableComponent::CONTROL_POD),
                 (fwup::Version{1, 90, 0}));
    }

    // The state machine's side of the download path: search, offer, download into the catalog.
    void stateMachineDownloadsTheOffer() {
        const QByteArray container = lodestarContainer();
        server_->offer(SummitPro, container, 1000, QStringLiteral("1.90.0"), QStringLiteral("1.90.0"));
        fwup::global_detector_locator_registry() << QSharedPointer<OneDetectorLocator>::create();
        fwup::global_detector_identifier_registry() << QSharedPointer<OneLodestarIdentifier>::create();
        fwup::global_remote_firmware_locator_registry()
            << QSharedPointer<fwup::VelaUpdateServerFirmwareLocator>::create(DetectorType::LODESTAR_MODEL_1,
                                                                             SummitPro, server_->baseUrl());
        fwup::global_firmware_file_parser_registry()
            << QSharedPointer<fwup::MbuAndTamarindFirmwareFileParser<cvsw::cvbv3::MbuMetadataHeaderV2>>::
                   create(fwtest::PodTag1, fwtest::CpuAppTag, fwtest::CpuNetTag, fwtest::PodSecret1,
                          fwtest::CpuAppSecret, fwtest::CpuNetSecret, DetectorType::LODESTAR_MODEL_1);
        fwup::legacy_catalog_manager_registry() << QSharedPointer<fwup::LodestarCatalogManager>::create();
        fwup::FilesystemFirmwareCatalog catalog{QDir(dir_.filePath(QStringLiteral("machine-catalog")))};
        Machine machine(catalog);
        QSignalSpy states(&machine, &Machine::stateChanged);
        QSignalSpy progress(&machine, &Machine::downloadProgress);
        machine.initiateUpdateProcess();
        machine.poll();
        QTRY_COMPARE(machine.state(), State::AWAIT_FIRMWARE_SELECTION);
        QCOMPARE(machine.getFirmwareList().size(), std::size_t(1));
        QVERIFY(machine.getFirmwareList().front().downloadRequired);

        QVERIFY(machine.selectLatestFirmwareToUpgrade());
        QCOMPARE(machine.state(), State::DOWNLOADING_FIRMWARE);
        QTRY_COMPARE_WITH_TIMEOUT(machine.state(), State::EXTRACTING_FIRMWARE, 10000);
        QList<State> entered;
        for (const QList<QVariant>& arguments : states) {
            entered << arguments.first().value<State>();
        }
        QCOMPARE(entered, (QList<State>{State::SEARCHING_FOR_DETECTOR, State::SEARCHING_FOR_UPDATES,
                                        State::AWAIT_FIRMWARE_SELECTION, State::DOWNLOADING_FIRMWARE,
                                        State::EXTRACTING_FIRMWARE}));
        QVERIFY(!progress.isEmpty() && progress.last().first().toInt() == 100);

        // The downloaded file is catalogued whole, for this detector.
        const auto catalogued = catalog.firmwareForDetector(lodestar());
        QCOMPARE(catalogued.size(), std::size_t(1));
        QCOMPARE(catalogued.front()->componentVersions().value(fwup::UpgradeableComponent::CONTROL_POD),
                 (fwup::Version{1, 90, 0}));
        QCOMPARE(readFile(catalogued.front()->filePath()), container);
    }

    void queryReply_data() {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QStringList>("messages"); // logged, in order
        QTest::addColumn<int>("downloadSize");     // of the downloader offered; -1: none offered
        QTest::addColumn<QString>("detectorVersion");

        const QJsonObject offer{{"update", true},
                                {"appsize", 1000000},
                                {"totalsegments", 2},
                                {"detver", "1.2.3"},
                                {"podver", "4.5.6"}};
        const auto jsonp = [](const QJsonObject& object) {
            return Answer{FakeUpdateServer::jsonp(object)};
        };
        const QString notJson = QStringLiteral("D:Error parsing update query response JSON:");

        QTest::newRow("offered")
            << jsonp(offer)
            << QStringList{"I:\"There is an update available for SUMMIT PRO: det 1.2.3, pod "
                           "4.5.6. It is 1000000 bytes (1 MB)\""}
            << 1335401 << "1.2.3";
        QTest::newRow("none") << jsonp(with(offer, "update", false))
                              << QStringList{"D:Server indicates no update available for \"SUMMIT PRO\""}
                              << -1 << "";
        QTest::newRow("size as digits")
            << jsonp(with(offer, "appsize", "1234")) << QStringList{} << 3713 << "1.2.3";
        QTest::newRow("not a version")
            << jsonp(with(offer, "detver", "beta")) << QStringList{} << 1335401 << "0.0.0";
        constexpr int most = std::numeric_limits<int>::max();
        QTest::newRow("sizes past int") << jsonp(with(with(offer, "appsize", most), "totalsegments", most))
                                        << QStringList{} << most << "1.2.3";
        QTest::newRow("podver missing")
            << jsonp(with(offer, "podver", QJsonValue::Undefined))
            << QStringList{"D:Update query response does not contain podver", Rejected} << -1 << "";
        QTest::newRow("each member named")
            << jsonp({{"detver", 1}}) << QStringList{"D:Update query response does not contain update",
                                                     "D:Update query response does not contain appsize",
                                                     "D:Update query response does not contain totalsegments",
                                                     "D:Update query response's detver malformed",
                                                     "D:Update query response does not contain podver",
                                                     Rejected}
            << -1 << "";
        QTest::newRow("after the parenthesis")
            << Answer{FakeUpdateServer::jsonp(offer) + ";"} << QStringList{notJson, Rejected} << -1 << "";
        QTest::newRow("not JSONP") << Answer{"Service unavailable"} << QStringList{notJson, Rejected} << -1
                                   << "";
        QTest::newRow("HTTP error") << Answer{FakeUpdateServer::jsonp(offer), 500}
                                    << QStringList{"W:Failed to check for latest version"} << -1 << "";
    }

    void queryReply() {
        QFETCH(Answer, answer);
        QFETCH(QStringList, messages);
        QFETCH(int, downloadSize);
        QFETCH(QString, detectorVersion);

        fwup::VelaUpdateServerFirmwareLocator locator(DetectorType::LODESTAR_MODEL_1, SummitPro,
                                                      server_->baseUrl());
        // An earlier offer must not outlive a later reply.
        QVERIFY(search(locator));
        QVERIFY(locator.latestVersionDownloader());
        server_->replace(0, answer);
        expectMessages(messages);
        QVERIFY(search(locator));
        const std::unique_ptr<fwup::FirmwareDownloader> downloader = locator.latestVersionDownloader();
        QCOMPARE(downloader != nullptr, downloadSize >= 0);
        if (downloader) {
            QCOMPARE(downloader->downloadSize(), downloadSize);
            QCOMPARE(downloader->detectorVersion().toString(), detectorVersion);
            QCOMPARE(downloader->podVersion().toString(), QStringLiteral("4.5.6"));
            QCOMPARE(downloader->gprVersion().toString(), QStringLiteral("0.0.0"));
        }
    }

    void searchesThatFindNothing() {
        fwup::VelaUpdateServerFirmwareLocator closed(DetectorType::LODESTAR_MODEL_1, SummitPro,
                                                     closedPortUrl());
        expectMessages({"W:Failed to check for latest version"});
        QVERIFY(search(closed));
        QVERIFY(!closed.latestVersionDownloader());

        fwup::NoopRemoteFirmwareLocator noop(DetectorType::LODESTAR_MODEL_1, 0);
        QVERIFY(!noop.startSearchForLatestVersion(lodestar(DetectorType::LODESTAR_MODEL_2)));
        QVERIFY(search(noop));
        QVERIFY(!noop.latestVersionDownloader());
    }

    void faultySegment_data() {
        QTest::addColumn<Answer>("answer"); // to the request for segment 2
        QTest::addColumn<QStringList>("messages");

        const QJsonObject good = FakeUpdateServer::segment(2, SummitPro, Image.mid(1000, 1000));
        const auto jsonp = [](const QJsonObject& object) {
            return Answer{FakeUpdateServer::jsonp(object)};
        };
        const auto missing = [](const char* member) {
            return QStringList{QStringLiteral("D:Download segment response does not contain ") + member,
                               Unhandleable};
        };

        QTest::newRow("not JSONP") << Answer{"<html>busy</html>"}
                                   << QStringList{"D:Error parsing segment download response JSON:",
                                                  Unhandleable};
        QTest::newRow("no segmentNumber")
            << jsonp(with(good, "segmentNumber", QJsonValue::Undefined)) << missing("segmentNumber");
        QTest::newRow("no detectorName")
            << jsonp(with(good, "detectorName", QJsonValue::Undefined)) << missing("detectorName");
        QTest::newRow("no segment") << jsonp(with(good, "segment", QJsonValue::Undefined))
                                    << missing("segment");
        QTest::newRow("segment not a string")
            << jsonp(with(good, "segment", 12))
            << QStringList{"D:Download segment response's segment malformed", Unhandleable};
        QTest::newRow("wrong segment")
            << jsonp(with(good, "segmentNumber", 3))
            << QStringList{"W:We requested segment 2 but the server gave us segment 3"};
        QTest::newRow("other detector")
            << jsonp(with(good, "detectorName", "SUMMIT"))
            << QStringList{"W:We requested a segment for \"SUMMIT PRO\" but got a segment for \"SUMMIT\""};
        QTest::newRow("refused") << jsonp({{"request", "Segment number requested is not valid 2"}})
                                 << QStringList{
                                        "W:Requested segment 2 of 6 but server says it doesn't exist"};
        QTest::newRow("other request") << jsonp({{"request", "Segment number requested is not valid"}})
                                       << QStringList{"W:Unexpected response from the server", Unhandleable};
        QTest::newRow("HTTP error") << Answer{FakeUpdateServer::jsonp(good), 404}
                                    << QStringList{"W:Failed to download segment 2 -"};
    }

    void faultySegment() {
        QFETCH(Answer, answer);
        QFETCH(QStringList, messages);
        server_->replace(2, answer);
        expectMessages(messages);
        QVERIFY(!download(*downloader(6, 6000), target_));
        QCOMPARE(segmentsAsked(), (QStringList{"1", "2"}));
        // What came before the fault stays; nothing of the faulty reply is written.
        QCOMPARE(readFile(target_), Image.left(1000));
    }

    void base64SkipsCharactersOutsideItsAlphabet() {
        QString text = QString::fromLatin1(Image.mid(1000, 1000).toBase64());
        for (qsizetype at = text.size() - 10; at > 0; at -= 76) {
            text.insert(at, QStringLiteral("\r\n !*"));
        }
        server_->replace(2, Answer{FakeUpdateServer::jsonp(with(FakeUpdateServer::segment(2, SummitPro, {}),
                                                                QStringLiteral("segment"), text))});
        QVERIFY(download(*downloader(6, 6000), target_));
        QCOMPARE(readFile(target_), Image);
    }

    void noSegmentsStillAsksForOne() {
        QVERIFY(download(*downloader(0, 0), target_));
        QCOMPARE(segmentsAsked(), QStringList{"1"});
        QCOMPARE(readFile(target_), Image.left(1000));
    }

    void progressEndsAt100_data() {
        QTest::addColumn<int>("appSize");   // as the downloader is told
        QTest::addColumn<int>("imageSize"); // served in 740000-byte segments
        QTest::addColumn<bool>("sendLength");
        QTest::addColumn<int>("milestone"); // reported when the first segment is in

        QTest::newRow("sizes sent") << 1000000 << 1000000 << true << 74;
        QTest::newRow("sizes estimated") << 1000000 << 1000000 << false << 74;
        QTest::newRow("last segment full") << 1480000 << 1480000 << false << 50;
        QTest::newRow("image size unknown") << 0 << 1000000 << true << 50;
    }

    void progressEndsAt100() {
        QFETCH(int, appSize);
        QFETCH(int, imageSize);
        QFETCH(bool, sendLength);
        QFETCH(int, milestone);
        server_->offer(SummitPro, QByteArray(imageSize, 'p'), fwup::VelaUpdateServerDownloader::SEGMENT_SIZE,
                       QStringLiteral("1.2.3"), QStringLiteral("4.5.6"));
        server_->setSendLength(sendLength);
        const auto loader = downloader(2, appSize);
        QSignalSpy progress(loader.get(), &fwup::FirmwareDownloader::downloadProgress);
        QVERIFY(download(*loader, target_));

        QList<int> percents;
        for (const QList<QVariant>& arguments : progress) {
            percents << arguments.first().toInt();
        }
        QVERIFY2(std::is_sorted(percents.begin(), percents.end()), qPrintable(QDebug::toString(percents)));
        QVERIFY(!percents.isEmpty() && percents.first() >= 0);
        QCOMPARE(percents.last(), 100);
        QVERIFY(percents.contains(milestone));
    }

    void failuresOfTheTarget() {
        expectMessages({"W:Failed to download segment 1 -"});
        QVERIFY(!download(*downloader(6, 6000, closedPortUrl()), target_));

        // A full disk fails the segment that met it.
        expectMessages({"W:Failed to write download segment to file:"});
        {
            const fwtest::FileSizeLimit limit(1500);
            QVERIFY(!download(*downloader(6, 6000), target_));
        }
        QCOMPARE(segmentsAsked(), (QStringList{"1", "2"}));

        // A target that cannot be opened fails a little later, never inside startDownload.
        const auto loader = downloader(6, 6000);
        QSignalSpy finished(loader.get(), &fwup::FirmwareDownloader::finished);
        const QString path = dir_.filePath(QStringLiteral("missing/download"));
        expectMessages({QStringLiteral("W:Failed to open \"%1\" for writing download to:").arg(path)});
        loader->startDownload(path);
        QCOMPARE(finished.size(), 0);
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.first().first().toBool(), false);
        QCOMPARE(server_->requests().size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestUpdateServerClient)
#include "tst_update_server_client.moc"
