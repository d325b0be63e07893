// Qt first: moc's preprocessor trips over <compare> when it meets it before any Qt header.
#include <QTest>

#include "fwup/identification/detector_record_file.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "tests/support/files/file_modes_enforced.h"

namespace {

const QString serialA = QStringLiteral("0123456789abcdef0123456789abcdef");
const QString serialB = QStringLiteral("fedcba9876543210fedcba9876543210");

QJsonObject entry(const QString& serial, const QString& name, const QString& code) {
    return QJsonObject{{QStringLiteral("serialNumber"), serial},
                       {QStringLiteral("detectorType"), name},
                       {QStringLiteral("userVerificationCode"), code}};
}

bool writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QJsonDocument readDocument(const QString& path) {
    return QJsonDocument::fromJson(readFile(path));
}

} // namespace

class TestDetectorRecordFile : public QObject {
    Q_OBJECT

private slots:
    void init();
    void missingFile();
    void lookup_data();
    void lookup();
    void updateOfContent_data();
    void updateOfContent();
    void secondUpdateReplacesTheEntry();
    void updateLeavesNoTemporaryFiles();
    void damagedRecordIsKeptAside_data();
    void damagedRecordIsKeptAside();
    void unreadableFileIsNeitherReadNorWritten();
    void directoryInPlaceOfTheFile();
    void speculativeNames_data();
    void speculativeNames();

private:
    QTemporaryDir dir_;
    QString path_;
};

void TestDetectorRecordFile::init() {
    QVERIFY(dir_.isValid());
    path_ = dir_.filePath(QStringLiteral("summit_index.json"));
    QDir directory(dir_.path());
    for (const QString& name : directory.entryList(QDir::Files | QDir::Hidden)) {
        QVERIFY(directory.remove(name));
    }
}

void TestDetectorRecordFile::missingFile() {
    QTest::ignoreMessage(QtDebugMsg,
                         QRegularExpression(QStringLiteral("^File \".*summit_index.json\" does not exist$")));
    QCOMPARE(fwup::find_detector_name_by_serial_number(path_, serialA), QString());

    fwup::update_detector_serial_number_and_name(path_, serialA, QStringLiteral("12345"),
                                                 QStringLiteral("summit_pro"));
    const QJsonDocument document = readDocument(path_);
    QVERIFY(document.isArray());
    QCOMPARE(document.array(),
             QJsonArray{entry(serialA, QStringLiteral("summit_pro"), QStringLiteral("12345"))});
    QCOMPARE(fwup::find_detector_name_by_serial_number(path_, serialA), QStringLiteral("summit_pro"));
}

void TestDetectorRecordFile::lookup_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("formatMessages");

    const QByteArray two =
        QJsonDocument(QJsonArray{entry(serialA, QStringLiteral("summit_pro"), QStringLiteral("1")),
                                 entry(serialB, QStringLiteral("summit_pro_2"), QStringLiteral("2"))})
            .toJson();
    QTest::newRow("first") << two << serialA << QStringLiteral("summit_pro") << 0;
    QTest::newRow("second") << two << serialB << QStringLiteral("summit_pro_2") << 0;
    QTest::newRow("unknown") << two << QStringLiteral("00") << QString() << 0;
    QTest::newRow("case differs") << two << serialA.toUpper() << QString() << 0;
    QTest::newRow("empty serial matches no entry") << two << QString() << QString() << 0;

    const QByteArray duplicates =
        QJsonDocument(QJsonArray{entry(serialA, QStringLiteral("summit_pro_2"), QStringLiteral("1")),
                                 entry(serialA, QStringLiteral("summit_pro"), QStringLiteral("2"))})
            .toJson();
    QTest::newRow("duplicate serials: the first wins")
        << duplicates << serialA << QStringLiteral("summit_pro_2") << 0;

    const QByteArray object =
        QJsonDocument(entry(serialA, QStringLiteral("summit_pro"), QStringLiteral("1"))).toJson();
    QTest::newRow("object, not an array") << object << serialA << QString() << 1;
    QTest::newRow("not JSON") << QByteArray("summit_pro") << serialA << QString() << 1;
    QTest::newRow("empty file") << QByteArray() << serialA << QString() << 1;

    QJsonArray mixed{entry(serialB, QStringLiteral("summit_pro"), QStringLiteral("1")), 42,
                     entry(serialA, QStringLiteral("speculativeSummitPro"), QStringLiteral("2"))};
    QTest::newRow("number between objects")
        << QJsonDocument(mixed).toJson() << serialA << QStringLiteral("speculativeSummitPro") << 1;

    QJsonObject numeric = entry(serialA, QStringLiteral("summit_pro"), QStringLiteral("1"));
    numeric.insert(QStringLiteral("detectorType"), 22);
    QTest::newRow("name not a string")
        << QJsonDocument(QJsonArray{numeric}).toJson() << serialA << QString() << 0;
}

void TestDetectorRecordFile::lookup() {
    QFETCH(QByteArray, content);
    QFETCH(QString, serial);
    QFETCH(QString, name);
    QFETCH(int, formatMessages);

    QVERIFY(writeFile(path_, content));
    for (int i = 0; i < formatMessages; ++i) {
        QTest::ignoreMessage(QtDebugMsg, "Invalid record file format");
    }
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
    QCOMPARE(fwup::find_detector_name_by_serial_number(path_, serial), name);
}

void TestDetectorRecordFile::updateOfContent_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QJsonArray>("expected");

    const QJsonObject newEntry = entry(serialA, QStringLiteral("summit_pro_2"), QStringLiteral("777"));

    const QJsonObject other = entry(serialB, QStringLiteral("summit_pro"), QStringLiteral("1"));
    QJsonObject old = entry(serialA, QStringLiteral("summit_pro"), QStringLiteral("5"));
    old.insert(QStringLiteral("note"), QStringLiteral("kept"));
    QJsonObject updated = newEntry;
    updated.insert(QStringLiteral("note"), QStringLiteral("kept"));
    QTest::newRow("entry replaced in place, other members kept")
        << QJsonDocument(QJsonArray{old, other}).toJson() << QJsonArray{updated, other};

    QTest::newRow("appended after the others")
        << QJsonDocument(QJsonArray{other}).toJson() << QJsonArray{other, newEntry};

    QTest::newRow("object replaced by an array")
        << QJsonDocument(entry(serialB, QStringLiteral("summit_pro"), QStringLiteral("1"))).toJson()
        << QJsonArray{newEntry};
    QTest::newRow("empty file") << QByteArray() << QJsonArray{newEntry};

    QTest::newRow("number kept in place")
        << QJsonDocument(QJsonArray{other, 42, old}).toJson() << QJsonArray{other, 42, updated};

    QJsonObject numericSerial = old;
    numericSerial.insert(QStringLiteral("serialNumber"), 12345);
    QTest::newRow("serial stored as a number does not match")
        << QJsonDocument(QJsonArray{numericSerial}).toJson() << QJsonArray{numericSerial, newEntry};

    const QJsonObject upper = entry(serialA.toUpper(), QStringLiteral("summit_pro"), QStringLiteral("1"));
    QTest::newRow("serial in another case does not match")
        << QJsonDocument(QJsonArray{upper}).toJson() << QJsonArray{upper, newEntry};

    const QJsonObject twin = entry(serialA, QStringLiteral("summit_pro"), QStringLiteral("2"));
    QTest::newRow("duplicate serials: only the first changes")
        << QJsonDocument(QJsonArray{old, twin}).toJson() << QJsonArray{updated, twin};
}

void TestDetectorRecordFile::updateOfContent() {
    QFETCH(QByteArray, content);
    QFETCH(QJsonArray, expected);

    QVERIFY(writeFile(path_, content));
    fwup::update_detector_serial_number_and_name(path_, serialA, QStringLiteral("777"),
                                                 QStringLiteral("summit_pro_2"));
    const QByteArray written = readFile(path_);
    QCOMPARE(QJsonDocument::fromJson(written).array(), expected);
    // The indented form, which people read when they look into the file.
    QCOMPARE(written, QJsonDocument(expected).toJson(QJsonDocument::Indented));
}

void TestDetectorRecordFile::secondUpdateReplacesTheEntry() {
    fwup::update_detector_serial_number_and_name(path_, serialA, QStringLiteral("1"),
                                                 QStringLiteral("summit_pro"));
    fwup::update_detector_serial_number_and_name(path_, serialB, QStringLiteral("2"),
                                                 QStringLiteral("summit_pro"));
    fwup::update_detector_serial_number_and_name(path_, serialA, QStringLiteral("99999"),
                                                 QStringLiteral("speculativeSummitPro2"));
    QCOMPARE(readDocument(path_).array(),
             (QJsonArray{entry(serialA, QStringLiteral("speculativeSummitPro2"), QStringLiteral("99999")),
                         entry(serialB, QStringLiteral("summit_pro"), QStringLiteral("2"))}));
}

void TestDetectorRecordFile::updateLeavesNoTemporaryFiles() {
    QVERIFY(writeFile(
        path_, QJsonDocument(QJsonArray{entry(serialB, QStringLiteral("summit_pro"), QStringLiteral("1"))})
                   .toJson()));
    fwup::update_detector_serial_number_and_name(path_, serialA, QStringLiteral("1"),
                                                 QStringLiteral("summit_pro"));
    QCOMPARE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("summit_index.json")});
}

void TestDetectorRecordFile::damagedRecordIsKeptAside_data() {
    QTest::addColumn<QByteArray>("content");

    const QByteArray whole =
        QJsonDocument(QJsonArray{entry(serialB, QStringLiteral("summit_pro"), QStringLiteral("1"))}).toJson();
    QTest::newRow("cut short") << whole.left(whole.size() / 2);
    QTest::newRow("stray text after the array") << whole + "x";
    QTest::newRow("not JSON") << QByteArray("summit_pro");
}

// A record with a syntax error still holds the other detectors' entries: the next write keeps it
// under another name instead of replacing it.
void TestDetectorRecordFile::damagedRecordIsKeptAside() {
    QFETCH(QByteArray, content);
    QVERIFY(writeFile(path_, content));

    // Looking up only reads.
    QCOMPARE(fwup::find_detector_name_by_serial_number(path_, serialB), QString());
    QCOMPARE(readFile(path_), content);

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(
                                           "^Unreadable file \".*/summit_index.json\" kept as \".*/"
                                           "summit_index.json.unreadable-\\d{8}T\\d{6}Z\"$")));
    fwup::update_detector_serial_number_and_name(path_, serialA, QStringLiteral("1"),
                                                 QStringLiteral("summit_pro"));
    QCOMPARE(readDocument(path_).array(),
             QJsonArray{entry(serialA, QStringLiteral("summit_pro"), QStringLiteral("1"))});
    const QStringList aside = QDir(dir_.path()).entryList({QStringLiteral("summit_index.json.unreadable-*")});
    QCOMPARE(aside.size(), 1);
    QCOMPARE(readFile(dir_.filePath(aside.first())), content);
}

void TestDetectorRecordFile::unreadableFileIsNeitherReadNorWritten() {
    const QByteArray content =
        QJsonDocument(QJsonArray{entry(serialA, QStringLiteral("summit_pro"), QStringLiteral("1")),
                                 entry(serialB, QStringLiteral("summit_pro_2"), QStringLiteral("2"))})
            .toJson();
    QVERIFY(writeFile(path_, content));
    QVERIFY(QFile::setPermissions(path_, QFileDevice::WriteOwner));

    {
        const cuu::test::FileModesEnforced enforced;
        QFile probe(path_);
        if (probe.open(QIODevice::ReadOnly)) {
            QVERIFY(QFile::setPermissions(path_, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
            QSKIP("This process can read files whatever their mode");
        }

        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression(QStringLiteral("^No read access to file  \".*\"$")));
        QCOMPARE(fwup::find_detector_name_by_serial_number(path_, serialA), QString());

        // A failed read must not cost the other detectors their entries.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Cannot read record file")));
        fwup::update_detector_serial_number_and_name(path_, QStringLiteral("00"), QStringLiteral("3"),
                                                     QStringLiteral("summit_pro"));
    }
    QVERIFY(QFile::setPermissions(path_, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(readFile(path_), content);
}

void TestDetectorRecordFile::directoryInPlaceOfTheFile() {
    QVERIFY(QDir(dir_.path()).mkdir(QStringLiteral("summit_index.json")));

    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^No read access to file ")));
    QCOMPARE(fwup::find_detector_name_by_serial_number(path_, serialA), QString());

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Cannot read record file")));
    fwup::update_detector_serial_number_and_name(path_, serialA, QStringLiteral("1"),
                                                 QStringLiteral("summit_pro"));
    QVERIFY(QFileInfo(path_).isDir());
    QVERIFY(QDir(path_).isEmpty());
    QVERIFY(QDir(path_).rmdir(path_));
}

void TestDetectorRecordFile::speculativeNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("speculative");

    QTest::newRow("empty") << QString() << true;
    QTest::newRow("summit_pro") << QStringLiteral("summit_pro") << false;
    QTest::newRow("summit_pro_2") << QStringLiteral("summit_pro_2") << false;
    QTest::newRow("speculativeSummitPro") << QStringLiteral("speculativeSummitPro") << true;
    QTest::newRow("speculativeSummitPro2") << QStringLiteral("speculativeSummitPro2") << true;
    QTest::newRow("inside a name") << QStringLiteral("nonspeculative") << true;
    QTest::newRow("capitalised") << QStringLiteral("SpeculativeSummitPro") << false;
}

void TestDetectorRecordFile::speculativeNames() {
    QFETCH(QString, name);
    QFETCH(bool, speculative);
    QCOMPARE(fwup::is_detector_type_speculative(name), speculative);
}

QTEST_GUILESS_MAIN(TestDetectorRecordFile)

#include "tst_detector_record_file.moc"
