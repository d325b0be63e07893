// Qt first: moc's preprocessor trips over <compare> when it meets it before any Qt header.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include "fwup/coordination/vela_update_server_downloader.h"
#include "fwup/coordination/vela_update_server_firmware_locator.h"
#include "fwup/firmware/filesystem_firmware_catalog.h"
#include "fwup/firmware/i_catalog_manager.h"
#include "fwup/firmware/lodestar_catalog_manager.h"
#include "fwup/firmware/mbu_and_tamarind_firmware_file_parser.h"
#include "tests/fwup/coordination/update_server_test_support.h"
#include "tests/support/update_server/fake_update_server.h"

using namespace updtest;
using fwup::DetectorType;
using fwup::VelaUpdateServerDownloader;
using Answer = FakeUpdateServer::Answer;

Q_DECLARE_METATYPE(FakeUpdateServer::Answer)

namespace {

// Six segments of 1000 bytes, none alike.
const QByteArray Image = [] {
    QByteArray bytes(6000, Qt::Uninitialized);
    for (int i = 0; i < bytes.size(); ++i) {
        bytes[i] = char(i * 7 + i / 1000);
    }
    return bytes;
}();

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestUpdateServerDownloader : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeUpdateServer> server_;
    QTemporaryDir dir_;
    QString target_;

    // Versions 1.2.3 and 4.5.6 from the test's server, unless another base is given.
    std::unique_ptr<VelaUpdateServerDownloader> downloader(int totalSegments, int appSize,
                                                           const QUrl& base = {}) {
        return std::make_unique<VelaUpdateServerDownloader>(fwup::Version{1, 2, 3}, fwup::Version{4, 5, 6},
                                                            base.isEmpty() ? server_->baseUrl() : base,
                                                            SummitPro, totalSegments, appSize, nullptr);
    }

    // Downloads into the path and gives the one outcome reported.
    static bool run(fwup::FirmwareDownloader& downloader, const QString& path) {
        QSignalSpy finished(&downloader, &fwup::FirmwareDownloader::finished);
        downloader.startDownload(path);
        if (!finished.wait(10000)) {
            qWarning("no outcome");
            return false;
        }
        QTest::qWait(20); // a second outcome would come now
        if (finished.size() != 1) {
            qWarning("more than one outcome");
            return false;
        }
        return finished.first().first().toBool();
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
        useNoProxy();
        QVERIFY(dir_.isValid());
    }

    void init() {
        server_ = std::make_unique<FakeUpdateServer>();
        QVERIFY(server_->listen());
        server_->offer(SummitPro, Image, 1000, QStringLiteral("1.2.3"), QStringLiteral("4.5.6"));
        target_ = dir_.filePath(QStringLiteral("download"));
    }

    void searchAndDownloadIntoTheCatalog() {
        const QByteArray container = lodestarContainer({1, 90, 0});
        server_->offer(SummitPro, container, 1000, QStringLiteral("1.90.0"), QStringLiteral("1.90.0"));
        fwup::VelaUpdateServerFirmwareLocator locator(DetectorType::LODESTAR_MODEL_1, SummitPro,
                                                      server_->baseUrl());
        QSignalSpy searched(&locator, &fwup::RemoteFirmwareLocator::searchFinished);
        QVERIFY(locator.startSearchForLatestVersion(lodestar()));
        QVERIFY(searched.wait(5000));
        const std::unique_ptr<fwup::FirmwareDownloader> downloader = locator.latestVersionDownloader();
        QVERIFY(downloader);

        expectMessages({QStringLiteral("I:Finished writing download to \"%1\"").arg(target_)});
        QVERIFY(run(*downloader, target_));
        QCOMPARE(readFile(target_), container);

        const int segments = int((container.size() + 999) / 1000);
        QVERIFY(segments >= 3);
        QCOMPARE(server_->requests().size(), 1 + segments);
        for (int n = 1; n <= segments; ++n) {
            const QUrl request = server_->requests().at(n);
            QCOMPARE(request.path(), QStringLiteral("/detcode"));
            const QList<std::pair<QString, QString>> items{{"callback", "x"},
                                                           {"detectorname", SummitPro},
                                                           {"detsoftver", "1.90.0"},
                                                           {"podsoftver", "1.90.0"},
                                                           {"segnum", QString::number(n)}};
            QCOMPARE(QUrlQuery(request).queryItems(QUrl::FullyDecoded), items);
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

    void faultySegment_data() {
        QTest::addColumn<Answer>("answer"); // to the request for segment 2
        QTest::addColumn<QStringList>("messages");

        const auto jsonp = [](const QJsonObject& object) {
            return Answer{FakeUpdateServer::jsonp(object)};
        };
        const QJsonObject good = FakeUpdateServer::segment(2, SummitPro, Image.mid(1000, 1000));
        const auto without = [&](const char* member) {
            QJsonObject object = good;
            object.remove(QLatin1String(member));
            return jsonp(object);
        };
        const auto with = [&](const char* member, const QJsonValue& value) {
            QJsonObject object = good;
            object.insert(QLatin1String(member), value);
            return jsonp(object);
        };
        const QString unhandleable = QStringLiteral("W:Unhandleable segment respose encountered");
        const QString notJson = QStringLiteral("D:Error parsing segment download response JSON:");

        QTest::newRow("not JSONP") << Answer{"<html>busy</html>"} << QStringList{notJson, unhandleable};
        QTest::newRow("anything after the parenthesis")
            << Answer{FakeUpdateServer::jsonp(good) + "\n"} << QStringList{notJson, unhandleable};
        QTest::newRow("segmentNumber missing")
            << without("segmentNumber")
            << QStringList{"D:Download segment response does not contain segmentNumber", unhandleable};
        QTest::newRow("detectorName missing")
            << without("detectorName")
            << QStringList{"D:Download segment response does not contain detectorName", unhandleable};
        QTest::newRow("segment missing")
            << without("segment")
            << QStringList{"D:Download segment response does not contain segment", unhandleable};
        QTest::newRow("segment not a string")
            << with("segment", 12)
            << QStringList{"D:Download segment response's segment malformed", unhandleable};
        QTest::newRow("detectorName a list")
            << with("detectorName", QJsonArray{SummitPro})
            << QStringList{"D:Download segment response's detectorName malformed", unhandleable};
        QTest::newRow("wrong segment")
            << with("segmentNumber", 3)
            << QStringList{"W:We requested segment 2 but the server gave us segment 3"};
        QTest::newRow("other detector")
            << with("detectorName", "SUMMIT")
            << QStringList{"W:We requested a segment for \"SUMMIT PRO\" but got a "
                           "segment for \"SUMMIT\""};
        QTest::newRow("refused") << jsonp({{"request", "Segment number requested is not valid 2"}})
                                 << QStringList{
                                        "W:Requested segment 2 of 6 but server says it doesn't exist"};
        QTest::newRow("other request text")
            << jsonp({{"request", "Segment number requested is not valid"}})
            << QStringList{"W:Unexpected response from the server", unhandleable};
        QTest::newRow("HTTP error") << Answer{FakeUpdateServer::jsonp(good), 404}
                                    << QStringList{"W:Failed to download segment 2 -"};
    }

    void faultySegment() {
        QFETCH(Answer, answer);
        QFETCH(QStringList, messages);
        server_->replace(2, answer);
        const auto download = downloader(6, 6000);
        expectMessages(messages);
        QVERIFY(!run(*download, target_));
        QCOMPARE(segmentsAsked(), (QStringList{"1", "2"}));
        // What came before the fault stays; nothing of the faulty reply is written.
        QCOMPARE(readFile(target_), Image.left(1000));
    }

    void base64SkipsCharactersOutsideItsAlphabet() {
        QString text = QString::fromLatin1(Image.mid(1000, 1000).toBase64());
        for (qsizetype at = text.size() - 10; at > 0; at -= 76) {
            text.insert(at, QStringLiteral("\r\n !*"));
        }
        QJsonObject segment = FakeUpdateServer::segment(2, SummitPro, {});
        segment.insert(QStringLiteral("segment"), text);
        server_->replace(2, Answer{FakeUpdateServer::jsonp(segment)});
        QVERIFY(run(*downloader(6, 6000), target_));
        QCOMPARE(readFile(target_), Image);
    }

    void noSegmentsStillAsksForOne() {
        QVERIFY(run(*downloader(0, 0), target_));
        QCOMPARE(segmentsAsked(), QStringList{"1"});
        QCOMPARE(readFile(target_), Image.left(1000));
    }

    void closedPortFails() {
        expectMessages({"W:Failed to download segment 1 -"});
        QVERIFY(!run(*downloader(6, 6000, closedPortUrl()), target_));
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
        server_->offer(SummitPro, QByteArray(imageSize, 'p'), VelaUpdateServerDownloader::SEGMENT_SIZE,
                       QStringLiteral("1.2.3"), QStringLiteral("4.5.6"));
        server_->setSendLength(sendLength);
        const auto download = downloader(2, appSize);
        QSignalSpy progress(download.get(), &fwup::FirmwareDownloader::downloadProgress);
        QVERIFY(run(*download, target_));

        QList<int> percents;
        for (const QList<QVariant>& arguments : progress) {
            percents << arguments.first().toInt();
        }
        QVERIFY(!percents.isEmpty());
        QVERIFY2(std::is_sorted(percents.begin(), percents.end()), qPrintable(QDebug::toString(percents)));
        QVERIFY(percents.first() >= 0);
        QCOMPARE(percents.last(), 100);
        QVERIFY(percents.contains(milestone));
    }

    void unwritableTargetFailsLater() {
        const auto download = downloader(6, 6000);
        QSignalSpy finished(download.get(), &fwup::FirmwareDownloader::finished);
        const QString path = dir_.filePath(QStringLiteral("missing/download"));
        expectMessages({QStringLiteral("W:Failed to open \"%1\" for writing download to:").arg(path)});
        download->startDownload(path);
        QCOMPARE(finished.size(), 0);
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.first().first().toBool(), false);
        QVERIFY(server_->requests().isEmpty());
    }

    void fullDiskFails() {
        expectMessages({"W:Failed to write download segment to file:"});
        {
            const fwtest::FileSizeLimit limit(1500);
            QVERIFY(!run(*downloader(6, 6000), target_));
        }
        QCOMPARE(segmentsAsked(), (QStringList{"1", "2"}));
    }

    void destroyedWhileDownloading() {
        server_->replace(2, Answer{{}, 200, true, true});
        {
            const auto download = downloader(6, 6000);
            download->startDownload(target_);
            QTRY_COMPARE(server_->requests().size(), 2);
        }
        QTest::qWait(20);
        QCOMPARE(readFile(target_), Image.left(1000));
    }
};

QTEST_GUILESS_MAIN(TestUpdateServerDownloader)
#include "tst_update_server_downloader.moc"
