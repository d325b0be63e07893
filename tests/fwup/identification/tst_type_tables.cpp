#include "fwup/identification/detector_record_names.h"
#include "fwup/identification/detector_type.h"
#include "fwup/identification/product_type_id_name.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QTest>

using fwup::DetectorType;

namespace {

// Collects the messages logged while it lives.
class MessageCapture {
public:
    MessageCapture() { previous_ = qInstallMessageHandler(&MessageCapture::handle); }
    ~MessageCapture() { qInstallMessageHandler(previous_); }
    static inline QStringList messages;

private:
    static void handle(QtMsgType, const QMessageLogContext&, const QString& message) { messages << message; }
    QtMessageHandler previous_;
};

DetectorType type(int value) {
    return static_cast<DetectorType>(value);
}

const QList<int> unassignedProductTypes = {30, 33, 34, 42, 45, 51, 53, 54, 55, 94, 120, 163, 171, 172};

} // namespace

class TestTypeTables : public QObject {
    Q_OBJECT

private slots:
    void detectorTypeNames_data();
    void detectorTypeNames();
    void detectorTypeEnumeratorsMatchNames();
    void productTypeNames_data();
    void productTypeNames();
    void productTypeNamesAreDistinct();
    void recordNames_data();
    void recordNames();
    void speculatedRecordNames_data();
    void speculatedRecordNames();
    void typeFromRecordName_data();
    void typeFromRecordName();
};

void TestTypeTables::detectorTypeNames_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("displayName");

    QTest::newRow("0") << 0 << QByteArray("NONE") << QByteArray("None");
    QTest::newRow("3") << 3 << QByteArray("HERON_MODEL_1") << QByteArray("MERIDIAN 11");
    QTest::newRow("10") << 10 << QByteArray("LANTERN_POST") << QByteArray("KEEPSAKE");
    QTest::newRow("12") << 12 << QByteArray("COBALT") << QByteArray("RDX 30");
    QTest::newRow("14") << 14 << QByteArray("FENNEL_CB_NO_APP") << QByteArray("PQV-3");
    QTest::newRow("15") << 15 << QByteArray("FENNEL_UIM_NO_APP") << QByteArray("PQV-3");
    QTest::newRow("16") << 16 << QByteArray("OCELOT2_JUNIPER") << QByteArray("CASCADE 23/27 JUNIPER");
    QTest::newRow("21") << 21 << QByteArray("LODESTAR_JUNIPER") << QByteArray("SUMMIT PRO JUNIPER");
    QTest::newRow("22") << 22 << QByteArray("LODESTAR_MODEL_1") << QByteArray("SUMMIT PRO");
    QTest::newRow("23") << 23 << QByteArray("LODESTAR_MODEL_2") << QByteArray("SUMMIT PRO 2");
    QTest::newRow("25") << 25 << QByteArray("LARCH_MD_BL") << QByteArray("KQ9");
    QTest::newRow("27") << 27 << QByteArray("QUILL") << QByteArray("QUILL");
    QTest::newRow("28") << 28 << QByteArray("?INVALID?") << QByteArray("Invalid Detector Type");
    QTest::newRow("-1 counts as large")
        << -1 << QByteArray("?INVALID?") << QByteArray("Invalid Detector Type");
}

void TestTypeTables::detectorTypeNames() {
    QFETCH(int, value);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, displayName);
    QCOMPARE(QByteArray(fwup::detector_type_name(type(value))), name);
    QCOMPARE(QByteArray(fwup::detector_type_display_name(type(value))), displayName);
}

// The name table and the enumeration are kept side by side; a row out of place would shift
// every name after it.
void TestTypeTables::detectorTypeEnumeratorsMatchNames() {
    QCOMPARE(QByteArray(fwup::detector_type_name(DetectorType::KESTREL12B)), QByteArray("KESTREL12B"));
    QCOMPARE(QByteArray(fwup::detector_type_name(DetectorType::ALDER_MODEL_2)), QByteArray("ALDER_MODEL_2"));
    QCOMPARE(QByteArray(fwup::detector_type_name(DetectorType::ROWAN_MODEL_1)), QByteArray("ROWAN_MODEL_1"));
    QCOMPARE(QByteArray(fwup::detector_type_name(DetectorType::RT44_MODEL_1)), QByteArray("RT44_MODEL_1"));
    QSet<QByteArray> names;
    for (int value = 0; value <= 27; ++value) {
        names.insert(fwup::detector_type_name(type(value)));
    }
    QCOMPARE(names.size(), 28);
}

void TestTypeTables::productTypeNames_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QByteArray>("name");

    QTest::newRow("0") << 0 << QByteArray("RESERVED");
    QTest::newRow("144") << 144 << QByteArray("LODESTAR_CONTROL_POD");
    QTest::newRow("145") << 145 << QByteArray("LODESTAR_CONTROL_POD_BOOTLOADER");
    QTest::newRow("161") << 161 << QByteArray("NORDIC_BLUETOOTH_LE_GATEWAY");
    for (int id : unassignedProductTypes) {
        QTest::addRow("unassigned %d", id) << id << QByteArray("?INVALID_PRODUCT_TYPE_ID?");
    }
    QTest::newRow("182") << 182 << QByteArray("?INVALID_PRODUCT_TYPE_ID?");
    QTest::newRow("65535") << 65535 << QByteArray("?INVALID_PRODUCT_TYPE_ID?");
}

void TestTypeTables::productTypeNames() {
    QFETCH(int, id);
    QFETCH(QByteArray, name);
    QCOMPARE(QByteArray(cvsw::muppet::product_type_id_name(static_cast<cvsw::muppet::ProductTypeId>(id))),
             name);
}

// Every assigned id has its own fixed upper-case name.
void TestTypeTables::productTypeNamesAreDistinct() {
    const QRegularExpression upperCase(QStringLiteral("^[A-Z][A-Z0-9_]*$"));
    QSet<QByteArray> names;
    int assigned = 0;
    for (int id = 0; id <= 181; ++id) {
        if (unassignedProductTypes.contains(id)) {
            continue;
        }
        ++assigned;
        const QByteArray name =
            cvsw::muppet::product_type_id_name(static_cast<cvsw::muppet::ProductTypeId>(id));
        QVERIFY2(upperCase.match(QString::fromLatin1(name)).hasMatch(), name.constData());
        names.insert(name);
    }
    QCOMPARE(assigned, 168);
    QCOMPARE(names.size(), assigned);
}

void TestTypeTables::recordNames_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("logged");

    const QStringList none{QStringLiteral("Detector type NONE selected")};
    QTest::newRow("0") << 0 << QString() << none;
    QTest::newRow("1") << 1 << QStringLiteral("kestrel12") << QStringList();
    QTest::newRow("2") << 2 << QStringLiteral("kestrel12b") << QStringList();
    QTest::newRow("5") << 5 << QStringLiteral("meridian15") << QStringList();
    QTest::newRow("7") << 7 << QStringLiteral("cascade25") << QStringList();
    QTest::newRow("8") << 8 << QString() << QStringList();
    QTest::newRow("10") << 10 << QStringLiteral("keepsake50") << QStringList();
    QTest::newRow("12") << 12 << QStringLiteral("RDX 30") << QStringList();
    QTest::newRow("14") << 14 << QStringLiteral("pqv3") << QStringList();
    QTest::newRow("16") << 16 << QStringLiteral("cascade2327_juniper") << QStringList();
    QTest::newRow("19") << 19 << QString() << QStringList();
    QTest::newRow("21") << 21 << QStringLiteral("summit_pro_juniper") << QStringList();
    QTest::newRow("22") << 22 << QStringLiteral("summit_pro") << QStringList();
    QTest::newRow("23") << 23 << QStringLiteral("summit_pro_2") << QStringList();
    QTest::newRow("25") << 25 << QStringLiteral("kq9") << QStringList();
    QTest::newRow("26") << 26 << QString() << QStringList();
    QTest::newRow("27") << 27 << QStringLiteral("quill") << QStringList();
    QTest::newRow("28") << 28 << QString() << QStringList();
}

void TestTypeTables::recordNames() {
    QFETCH(int, value);
    QFETCH(QString, name);
    QFETCH(QStringList, logged);

    MessageCapture::messages.clear();
    QString result;
    {
        MessageCapture capture;
        result = fwup::detector_name_for_detector_type(type(value));
    }
    QCOMPARE(result, name);
    QCOMPARE(MessageCapture::messages, logged);
}

void TestTypeTables::speculatedRecordNames_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("name");

    QTest::newRow("3") << 3 << QStringLiteral("speculativeMeridian11");
    QTest::newRow("4") << 4 << QStringLiteral("speculativeMeridian13");
    QTest::newRow("5") << 5 << QStringLiteral("speculativeMeridian15");
    QTest::newRow("6") << 6 << QStringLiteral("speculativeCascade21");
    QTest::newRow("7") << 7 << QStringLiteral("speculativeCascade25");
    QTest::newRow("22") << 22 << QString();
    QTest::newRow("0") << 0 << QString();
}

void TestTypeTables::speculatedRecordNames() {
    QFETCH(int, value);
    QFETCH(QString, name);

    MessageCapture::messages.clear();
    QString result;
    {
        MessageCapture capture;
        result = fwup::speculated_detector_name_for_detector_type(type(value));
    }
    QCOMPARE(result, name);
    QCOMPARE(MessageCapture::messages,
             name.isEmpty() ? QStringList{QStringLiteral("Detector type NONE selected")} : QStringList());
}

void TestTypeTables::typeFromRecordName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("value");

    QTest::newRow("kestrel12") << "kestrel12" << 1;
    QTest::newRow("kestrel12b") << "kestrel12b" << 2;
    QTest::newRow("rdq40") << "rdq40" << 11;
    QTest::newRow("cascade21") << "cascade21" << 6;
    QTest::newRow("speculativeCascade21") << "speculativeCascade21" << 6;
    QTest::newRow("speculativeCascade25") << "speculativeCascade25" << 7;
    QTest::newRow("RDX 30") << "RDX 30" << 12;
    QTest::newRow("cascade27") << "cascade27" << 18;
    QTest::newRow("kq9") << "kq9" << 24;
    QTest::newRow("keepsake50") << "keepsake50" << 10;
    QTest::newRow("summit_pro") << "summit_pro" << 22;
    QTest::newRow("summit_pro_2") << "summit_pro_2" << 23;
    QTest::newRow("upper case") << "SUMMIT_PRO" << 0;
    QTest::newRow("meridian11") << "meridian11" << 0;
    QTest::newRow("speculativeMeridian13") << "speculativeMeridian13" << 0;
    QTest::newRow("pqv3") << "pqv3" << 0;
    QTest::newRow("summit_pro_juniper") << "summit_pro_juniper" << 0;
    QTest::newRow("quill") << "quill" << 0;
    QTest::newRow("empty") << "" << 0;
}

void TestTypeTables::typeFromRecordName() {
    QFETCH(QString, name);
    QFETCH(int, value);
    QCOMPARE(static_cast<int>(fwup::detector_type_from_detector_name(name)), value);
}

QTEST_GUILESS_MAIN(TestTypeTables)
#include "tst_type_tables.moc"
