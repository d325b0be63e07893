// Qt first: moc's preprocessor trips over <compare> when it meets it before any Qt header.
#include <QStringList>
#include <QTest>

#include "fwup/firmware/component_versions.h"
#include "fwup/firmware/i_firmware_catalog_file.h"
#include "fwup/firmware/version_string.h"

using namespace fwup;

using VersionMap = QMap<UpgradeableComponent, Version>;
Q_DECLARE_METATYPE(VersionMap)

namespace {

// Every message logged while it lives.
class MessageCapture {
public:
    MessageCapture() {
        messages().clear();
        previous_ = qInstallMessageHandler(&MessageCapture::handle);
    }
    ~MessageCapture() { qInstallMessageHandler(previous_); }
    static QStringList& messages() {
        static QStringList list;
        return list;
    }

private:
    static void handle(QtMsgType, const QMessageLogContext&, const QString& message) {
        messages() << message;
    }
    QtMessageHandler previous_;
};

VersionMap versions(std::initializer_list<std::pair<int, Version>> entries) {
    VersionMap map;
    for (const auto& [key, version] : entries) {
        map.insert(static_cast<UpgradeableComponent>(key), version);
    }
    return map;
}

class FixedCatalogFile : public IFirmwareCatalogFile {
public:
    explicit FixedCatalogFile(VersionMap versions)
        : versions_(std::move(versions)) {}
    QString filePath() const override { return {}; }
    VersionMap componentVersions() const override { return versions_; }
    DetectorType detectorType() const override { return DetectorType::LODESTAR_MODEL_1; }

private:
    VersionMap versions_;
};

QString text(const Version& v) {
    return v.toString();
}

} // namespace

class TestVersionText : public QObject {
    Q_OBJECT

private slots:
    void parse_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("outOfRange");

        QTest::newRow("plain") << "1.2.3"
                               << "1.2.3" << false;
        QTest::newRow("suffix") << "1.2.3-beta"
                                << "1.2.3" << false;
        QTest::newRow("empty suffix") << "1.2.3-"
                                      << "1.2.3" << false;
        QTest::newRow("leading zeros") << "001.02.3"
                                       << "1.2.3" << false;
        QTest::newRow("largest") << "255.255.255"
                                 << "255.255.255" << false;
        QTest::newRow("zero") << "0.0.0"
                              << "0.0.0" << false;
        QTest::newRow("two hyphens") << "1.2.3-rc-1"
                                     << "0.0.0" << false;
        QTest::newRow("leading hyphen") << "-1.2.3"
                                        << "0.0.0" << false;
        QTest::newRow("two parts") << "1.2"
                                   << "0.0.0" << false;
        QTest::newRow("four parts") << "1.2.3.4"
                                    << "0.0.0" << false;
        QTest::newRow("leading blank") << " 1.2.3"
                                       << "0.0.0" << false;
        QTest::newRow("trailing blank") << "1.2.3 "
                                        << "0.0.0" << false;
        QTest::newRow("trailing newline") << "1.2.3\n"
                                          << "0.0.0" << false;
        QTest::newRow("letter for dot") << "1a2.3"
                                        << "0.0.0" << false;
        QTest::newRow("empty part") << "1..3"
                                    << "0.0.0" << false;
        QTest::newRow("not digits") << "a.b.c"
                                    << "0.0.0" << false;
        QTest::newRow("empty") << ""
                               << "0.0.0" << false;
        QTest::newRow("major 256") << "256.0.0"
                                   << "0.0.0" << true;
        QTest::newRow("minor 256") << "1.256.0"
                                   << "0.0.0" << true;
        QTest::newRow("patch 300") << "1.2.300"
                                   << "0.0.0" << true;
        QTest::newRow("eleven nines") << "1.2.99999999999"
                                      << "0.0.0" << true;
        QTest::newRow("out of range with suffix") << "300.1.1-x"
                                                  << "0.0.0" << true;
    }

    void parse() {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QFETCH(bool, outOfRange);

        Version version;
        QStringList logged;
        {
            MessageCapture capture;
            version = parse_version_string(input);
            logged = MessageCapture::messages();
        }
        QCOMPARE(text(version), expected);
        QCOMPARE(logged, outOfRange ? QStringList{QStringLiteral("Version out of range")} : QStringList{});
    }

    void compare_data() {
        QTest::addColumn<VersionMap>("a");
        QTest::addColumn<VersionMap>("b");
        QTest::addColumn<int>("expected");

        const Version v100{1, 0, 0};
        QTest::newRow("both empty") << VersionMap{} << VersionMap{} << 0;
        QTest::newRow("same map") << versions({{8, {1, 2, 3}}, {10, {4, 5, 6}}})
                                  << versions({{8, {1, 2, 3}}, {10, {4, 5, 6}}}) << 0;
        QTest::newRow("tamarind on one side only")
            << versions({{8, v100}}) << versions({{8, v100}, {10, {0, 0, 1}}}) << -1;
        QTest::newRow("component 0 visited first")
            << versions({{0, {0, 0, 1}}}) << versions({{8, {9, 9, 9}}}) << 1;
        QTest::newRow("parts as numbers") << versions({{8, {1, 2, 3}}}) << versions({{8, {1, 10, 0}}}) << -1;
        QTest::newRow("zero version counts") << versions({{8, {0, 0, 0}}}) << VersionMap{} << 1;
        QTest::newRow("major decides") << versions({{8, {2, 0, 0}}}) << versions({{8, {1, 255, 255}}}) << 1;
        QTest::newRow("patch decides") << versions({{8, {1, 2, 4}}}) << versions({{8, {1, 2, 3}}}) << 1;
        QTest::newRow("pod before tamarind") << versions({{8, {1, 2, 4}}, {10, {1, 0, 0}}})
                                             << versions({{8, {1, 2, 3}}, {10, {9, 0, 0}}}) << 1;
        QTest::newRow("tamarind decides when pod equal")
            << versions({{8, v100}, {10, {1, 0, 0}}}) << versions({{8, v100}, {10, {1, 0, 1}}}) << -1;
        QTest::newRow("component 13 counts") << versions({{13, v100}}) << VersionMap{} << 1;
        QTest::newRow("key 14 ignored") << versions({{14, v100}}) << VersionMap{} << 0;
        QTest::newRow("key 99 ignored") << versions({{8, v100}, {99, v100}}) << versions({{8, v100}}) << 0;
    }

    void compare() {
        QFETCH(VersionMap, a);
        QFETCH(VersionMap, b);
        QFETCH(int, expected);

        QCOMPARE(int(compare_component_versions(a, b)), expected);
        // Swapping the arguments turns the answer round.
        QCOMPARE(int(compare_component_versions(b, a)), -expected);
        QCOMPARE(int(compare_component_versions(a, a)), 0);
    }

    void catalogFileOrder_data() { compare_data(); }

    void catalogFileOrder() {
        QFETCH(VersionMap, a);
        QFETCH(VersionMap, b);
        QFETCH(int, expected);

        const std::unique_ptr<IFirmwareCatalogFile> first = std::make_unique<FixedCatalogFile>(a);
        const std::unique_ptr<IFirmwareCatalogFile> second = std::make_unique<FixedCatalogFile>(b);
        QCOMPARE(catalog_file_is_older(first, second), expected < 0);
        QCOMPARE(catalog_file_is_older(second, first), expected > 0);
    }
};

QTEST_GUILESS_MAIN(TestVersionText)
#include "tst_version_text.moc"
