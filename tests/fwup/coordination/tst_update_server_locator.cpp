// Qt first: moc's preprocessor trips over <compare> when it meets it before any Qt header.
#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

#include "fwup/coordination/firmware_downloader.h"
#include "fwup/coordination/noop_remote_firmware_locator.h"
#include "fwup/coordination/vela_update_server_firmware_locator.h"
#include "tests/fwup/coordination/update_server_test_support.h"
#include "tests/support/update_server/fake_update_server.h"

using namespace updtest;
using fwup::DetectorType;
using Answer = FakeUpdateServer::Answer;

Q_DECLARE_METATYPE(FakeUpdateServer::Answer)

namespace {

QJsonObject offer(const QJsonValue& update = true) {
    return {{QStringLiteral("update"), update},
            {QStringLiteral("appsize"), 1000000},
            {QStringLiteral("totalsegments"), 2},
            {QStringLiteral("detver"), QStringLiteral("1.2.3")},
            {QStringLiteral("podver"), QStringLiteral("4.5.6")}};
}

QJsonObject with(QJsonObject object, const QString& key, const QJsonValue& value) {
    if (value.isUndefined()) {
        object.remove(key);
    } else {
        object.insert(key, value);
    }
    return object;
}

} // namespace

class TestUpdateServerLocator : public QObject {
    Q_OBJECT

    FakeUpdateServer server_;

    // Runs one accepted search to its end.
    static void search(fwup::RemoteFirmwareLocator& locator) {
        QSignalSpy finished(&locator, &fwup::RemoteFirmwareLocator::searchFinished);
        QVERIFY(locator.startSearchForLatestVersion(lodestar()));
        QVERIFY(finished.wait(5000));
        QTest::qWait(20); // a second signal would come now
        QCOMPARE(finished.size(), 1);
    }

private slots:
    void initTestCase() {
        useNoProxy();
        QVERIFY(server_.listen());
        server_.offer(SummitPro, QByteArray(1000000, 'f'), 740000, QStringLiteral("1.2.3"),
                      QStringLiteral("4.5.6"));
    }

    void asksForTheNewestFirmwareOfItsTypeOnly() {
        fwup::VelaUpdateServerFirmwareLocator locator(
            DetectorType::LODESTAR_MODEL_1, SummitPro,
            server_.baseUrl().resolved(QUrl(QStringLiteral("/api/v2"))));
        const qsizetype before = server_.requests().size();
        QVERIFY(!locator.startSearchForLatestVersion(lodestar(DetectorType::LODESTAR_MODEL_2)));
        search(locator);

        QCOMPARE(server_.requests().size(), before + 1);
        const QUrl request = server_.requests().last();
        QCOMPARE(request.path(), QStringLiteral("/update"));
        const QList<std::pair<QString, QString>> items{{"callback", "x"},
                                                       {"action", "getdetver"},
                                                       {"detectorname", SummitPro},
                                                       {"detsoftver", "0.0.0"},
                                                       {"podsoftver", "0.0.0"}};
        QCOMPARE(QUrlQuery(request).queryItems(QUrl::FullyDecoded), items);
    }

    void readsTheReply_data() {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QStringList>("messages"); // logged, in order
        QTest::addColumn<int>("downloadSize");     // of the downloader offered; -1: none offered
        QTest::addColumn<QString>("detectorVersion");

        const auto jsonp = [](const QJsonObject& object) {
            return Answer{FakeUpdateServer::jsonp(object)};
        };
        const QString rejected = QStringLiteral("W:Failed to parse server response for latest version");
        const QString notJson = QStringLiteral("D:Error parsing update query response JSON:");

        QTest::newRow("update offered") << jsonp(offer())
                                        << QStringList{"I:\"There is an update available for SUMMIT PRO: det "
                                                       "1.2.3, pod 4.5.6. It is 1000000 "
                                                       "bytes (1 MB)\""}
                                        << 1335401 << "1.2.3";
        QTest::newRow("no update") << jsonp(offer(false))
                                   << QStringList{"D:Server indicates no update available for \"SUMMIT PRO\""}
                                   << -1 << "";
        QTest::newRow("size as digits")
            << jsonp(with(offer(), "appsize", "1234")) << QStringList{} << 3713 << "1.2.3";
        QTest::newRow("version that is no version")
            << jsonp(with(offer(), "detver", "beta")) << QStringList{} << 1335401 << "0.0.0";
        QTest::newRow("podver missing")
            << jsonp(with(offer(), "podver", QJsonValue::Undefined))
            << QStringList{"D:Update query response does not contain podver", rejected} << -1 << "";
        QTest::newRow("missing even without an update")
            << jsonp(with(offer(false), "appsize", QJsonValue::Undefined))
            << QStringList{"D:Update query response does not contain appsize", rejected} << -1 << "";
        QTest::newRow("every member is named")
            << jsonp({}) << QStringList{"D:Update query response does not contain update",
                                        "D:Update query response does not contain appsize",
                                        "D:Update query response does not contain totalsegments",
                                        "D:Update query response does not contain detver",
                                        "D:Update query response does not contain podver",
                                        rejected}
            << -1 << "";
        QTest::newRow("detver a number")
            << jsonp(with(offer(), "detver", 123))
            << QStringList{"D:Update query response's detver malformed", rejected} << -1 << "";
        QTest::newRow("update a list")
            << jsonp(with(offer(), "update", QJsonArray{true}))
            << QStringList{"D:Update query response's update malformed", rejected} << -1 << "";
        QTest::newRow("anything after the parenthesis")
            << Answer{FakeUpdateServer::jsonp(offer()) + ";"} << QStringList{notJson, rejected} << -1 << "";
        QTest::newRow("not JSONP") << Answer{"Service unavailable"} << QStringList{notJson, rejected} << -1
                                   << "";
        QTest::newRow("HTTP error") << Answer{FakeUpdateServer::jsonp(offer()), 500}
                                    << QStringList{"W:Failed to check for latest version"} << -1 << "";
    }

    void readsTheReply() {
        QFETCH(Answer, answer);
        QFETCH(QStringList, messages);
        QFETCH(int, downloadSize);
        QFETCH(QString, detectorVersion);

        fwup::VelaUpdateServerFirmwareLocator locator(DetectorType::LODESTAR_MODEL_1, SummitPro,
                                                      server_.baseUrl());
        // An earlier offer must not outlive a later reply.
        server_.replace(0, Answer{FakeUpdateServer::jsonp(offer())});
        search(locator);
        QVERIFY(locator.latestVersionDownloader());

        server_.replace(0, answer);
        expectMessages(messages);
        search(locator);
        const std::unique_ptr<fwup::FirmwareDownloader> downloader = locator.latestVersionDownloader();
        QCOMPARE(downloader != nullptr, downloadSize >= 0);
        if (downloader) {
            QCOMPARE(downloader->downloadSize(), downloadSize);
            QCOMPARE(downloader->detectorVersion().toString(), detectorVersion);
            QCOMPARE(downloader->podVersion().toString(), QStringLiteral("4.5.6"));
            QCOMPARE(downloader->gprVersion().toString(), QStringLiteral("0.0.0"));
        }
    }

    void closedPortFindsNothing() {
        fwup::VelaUpdateServerFirmwareLocator locator(DetectorType::LODESTAR_MODEL_1, SummitPro,
                                                      closedPortUrl());
        expectMessages({"W:Failed to check for latest version"});
        search(locator);
        QVERIFY(!locator.latestVersionDownloader());
    }

    void destroyedWhileAsking() {
        server_.replace(0, Answer{{}, 200, true, true});
        const qsizetype before = server_.requests().size();
        {
            fwup::VelaUpdateServerFirmwareLocator locator(DetectorType::LODESTAR_MODEL_1, SummitPro,
                                                          server_.baseUrl());
            QVERIFY(locator.startSearchForLatestVersion(lodestar()));
            QTRY_COMPARE(server_.requests().size(), before + 1);
        }
        QTest::qWait(20);
    }

    void noopLocatorFindsNothingAfterItsDelay() {
        fwup::NoopRemoteFirmwareLocator locator(DetectorType::LODESTAR_MODEL_1, 0);
        QSignalSpy finished(&locator, &fwup::RemoteFirmwareLocator::searchFinished);
        QVERIFY(!locator.startSearchForLatestVersion(lodestar(DetectorType::LODESTAR_MODEL_2)));
        QVERIFY(locator.startSearchForLatestVersion(lodestar()));
        QCOMPARE(finished.size(), 0);
        QTRY_COMPARE(finished.size(), 1);
        QTest::qWait(20);
        QCOMPARE(finished.size(), 1);
        QVERIFY(!locator.latestVersionDownloader());
    }
};

QTEST_GUILESS_MAIN(TestUpdateServerLocator)
#include "tst_update_server_locator.moc"
