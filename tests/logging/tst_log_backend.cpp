#include "logging/log.h"
#include "logging/log_format.h"

#include <QTest>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using cvsw::log::Level;
using cvsw::log::Value;
using Values = std::vector<Value>;
Q_DECLARE_METATYPE(Values)

namespace {

constexpr std::size_t Capacity = cvsw::log::detail::LineCapacity;
constexpr char Sentinel = 0x55;

// Formats into the first 200 bytes of a larger block, so that a write past the line shows up.
struct Line {
    char bytes[Capacity + 56];

    Line() { std::memset(bytes, Sentinel, sizeof bytes); }
    bool tailUntouched() const {
        for (std::size_t i = Capacity; i < sizeof bytes; ++i) {
            if (bytes[i] != Sentinel) {
                return false;
            }
        }
        return true;
    }
};

std::string format_line(Level level, const char* file, unsigned line, const char* format,
                        const Values& values, Line& out) {
    cvsw::log::detail::formatLogLine(cvsw::log::detail::FormatterSettings{}, out.bytes, Capacity, level, file,
                                     line, format, values.empty() ? nullptr : values.data(),
                                     static_cast<int>(values.size()));
    return std::string(out.bytes, ::strnlen(out.bytes, Capacity));
}

Value raw(std::uint64_t tag, std::uint32_t payload = 0) {
    Value v{};
    v.tag = tag;
    v.payload.u32 = payload;
    return v;
}

std::string pointer_text(const void* p) {
    char text[64];
    std::snprintf(text, sizeof text, "%p", p);
    return text;
}

// A line that was cut: its first 198 characters and the tilde.
std::string cut(const std::string& whole) {
    return whole.substr(0, Capacity - 2) + "~";
}

struct Captured {
    QtMsgType type;
    QString text;
    QByteArray file;
    int line;
    QByteArray function;
    QByteArray category;
};
std::vector<Captured> captured;

void capture(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    captured.push_back({type, text, QByteArray(context.file), context.line, QByteArray(context.function),
                        QByteArray(context.category)});
}

// Installs the capturing handler for one scope and puts QtTest's own back afterwards.
class HandlerScope {
public:
    HandlerScope()
        : previous_(qInstallMessageHandler(capture)) {
        captured.clear();
    }
    ~HandlerScope() { qInstallMessageHandler(previous_); }

private:
    QtMessageHandler previous_;
};

const char* const LongString = "0123456789012345678901234567890123456789012345678901234567890123456789"
                               "0123456789012345678901234567890123456789012345678901234567890123456789";

} // namespace

class TestLogBackend : public QObject {
    Q_OBJECT

private slots:
    void formatLine_data();
    void formatLine();
    void fileName_data();
    void fileName();
    void levelLetter_data();
    void levelLetter();
    void cutLine_data();
    void cutLine();
    void valueCursor_data();
    void valueCursor();
    void routing_data();
    void routing();
    void routedLineIsCut();
    void macroPassesCallSite();
    void macroSkipsDisabledLevel();
};

void TestLogBackend::formatLine_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<Values>("values");
    QTest::addColumn<QString>("message");

    const int answer = 42;
    const std::string s200(200, 's');
    static const std::string longValue = s200; // outlives the rows

    QTest::newRow("plain") << "no placeholders here" << Values{} << "no placeholders here";
    QTest::newRow("empty") << "" << Values{} << "";
    QTest::newRow("doubled percent") << "100%% sure" << Values{} << "100% sure";
    QTest::newRow("percent letter") << "%d and %s" << Values{Value::int32(1)} << "%d and %s";
    QTest::newRow("percent at end") << "ends in %" << Values{} << "ends in %";
    QTest::newRow("lone percent") << "%" << Values{} << "%";
    QTest::newRow("percent digit zero") << "%0 is not one" << Values{Value::int32(5)} << "%0 is not one";
    QTest::newRow("second before first")
        << "%2 then %1" << Values{Value::int32(1), Value::int32(2)} << "2 then 1";
    QTest::newRow("third of two") << "%1 %2 %3" << Values{Value::int32(1), Value::int32(2)} << "1 2 %3";
    QTest::newRow("placeholder without values") << "got %1" << Values{} << "got %1";
    QTest::newRow("value used twice") << "%1-%1" << Values{Value::int32(7)} << "7-7";
    QTest::newRow("ninth value") << "%9" << Values(9, Value::int32(0)) << "0";
    QTest::newRow("percent percent digit") << "%%1" << Values{Value::int32(3)} << "%1";
    QTest::newRow("int32") << "[%1]" << Values{Value::int32(-2147483647 - 1)} << "[-2147483648]";
    QTest::newRow("uint32") << "[%1]" << Values{Value::uint32(4294967295u)} << "[4294967295]";
    QTest::newRow("uint32 255") << "%1" << Values{Value::uint32(255)} << "255";
    QTest::newRow("hex 255") << "%1" << Values{Value::hex(255)} << "0x000000FF";
    QTest::newRow("hex max") << "%1" << Values{Value::hex(0xDEADBEEF)} << "0xDEADBEEF";
    QTest::newRow("hex bit on int32 ignored") << "%1" << Values{raw(0x82, 255)} << "255";
    QTest::newRow("bool true") << "%1" << Values{Value::boolean(true)} << "true";
    QTest::newRow("bool false") << "%1" << Values{Value::boolean(false)} << "false";
    QTest::newRow("char") << "<%1>" << Values{Value::character('Z')} << "<Z>";
    QTest::newRow("float") << "%1" << Values{Value::real(1.5f)} << "1.500000";
    QTest::newRow("negative float") << "%1" << Values{Value::real(-0.25f)} << "-0.250000";
    QTest::newRow("pointer") << "%1" << Values{Value::pointer(&answer)}
                             << QString::fromStdString(pointer_text(&answer));
    QTest::newRow("null pointer") << "%1" << Values{Value::pointer(nullptr)}
                                  << QString::fromStdString(pointer_text(nullptr));
    QTest::newRow("unknown kind writes nothing") << "[%1]" << Values{raw(14, 1)} << "[]";
    QTest::newRow("kind 0 writes nothing") << "[%1]" << Values{raw(0, 1)} << "[]";
    QTest::newRow("only the tag's low byte counts")
        << "%1" << Values{raw(0x12345600000000ull | 0x0402, 9)} << "9";
    QTest::newRow("string") << "name=%1" << Values{Value::string("lodestar")} << "name=lodestar";
    QTest::newRow("empty string") << "[%1]" << Values{Value::string("")} << "[]";
    QTest::newRow("string length from tag")
        << "%1" << Values{Value::string(std::string_view("abcdef", 3))} << "abc";
    QTest::newRow("string cut at 127")
        << "%1" << Values{Value::string(longValue)} << QString(127, QLatin1Char('s'));
    QTest::newRow("mixed") << "%1 bytes at %2 (%3)"
                           << Values{Value::uint32(64), Value::hex(0x1000), Value::string("ok")}
                           << "64 bytes at 0x00001000 (ok)";
}

void TestLogBackend::formatLine() {
    QFETCH(QString, format);
    QFETCH(Values, values);
    QFETCH(QString, message);

    Line out;
    const QByteArray fmt = format.toLatin1();
    const std::string line = format_line(Level::Warning, "src/x.cpp", 7, fmt.constData(), values, out);
    QCOMPARE(QString::fromStdString(line), QStringLiteral("W|x.cpp:7|") + message);
    QVERIFY(out.tailUntouched());
}

void TestLogBackend::fileName_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("shown");

    QTest::newRow("no slash") << QByteArray("encrypt_data_source.cpp") << "encrypt_data_source.cpp";
    QTest::newRow("three components")
        << QByteArray("cvsw/cvbv3/encrypt_data_source") << "encrypt_data_source";
    QTest::newRow("only slash first") << QByteArray("/x.cpp") << "/x.cpp";
    QTest::newRow("absolute path") << QByteArray("/home/build/cvbv3/block.cpp") << "block.cpp";
    QTest::newRow("ends in slash") << QByteArray("cvbv3/") << "";
    QTest::newRow("empty") << QByteArray("") << "";
    QTest::newRow("single slash") << QByteArray("/") << "/";
    QTest::newRow("double slash") << QByteArray("a//b") << "b";
}

void TestLogBackend::fileName() {
    QFETCH(QByteArray, file);
    QFETCH(QString, shown);
    Line out;
    const std::string line = format_line(Level::Error, file.constData(), 262, "m", {}, out);
    QCOMPARE(QString::fromStdString(line), QStringLiteral("E|%1:262|m").arg(shown));
}

void TestLogBackend::levelLetter_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("letter");
    QTest::newRow("0") << 0 << "D";
    QTest::newRow("1") << 1 << "I";
    QTest::newRow("2") << 2 << "S";
    QTest::newRow("3") << 3 << "W";
    QTest::newRow("4") << 4 << "E";
    QTest::newRow("5") << 5 << "F";
    QTest::newRow("6") << 6 << "V";
    QTest::newRow("7") << 7 << "?";
    QTest::newRow("9") << 9 << "?";
    QTest::newRow("-1") << -1 << "?";
}

void TestLogBackend::levelLetter() {
    QFETCH(int, level);
    QFETCH(QString, letter);
    Line out;
    const std::string line = format_line(Level(level), "f", 4294967295u, "", {}, out);
    QCOMPARE(QString::fromStdString(line), letter + QStringLiteral("|f:4294967295|"));
}

void TestLogBackend::cutLine_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<Values>("values");
    QTest::addColumn<QByteArray>("expected");

    // The prefix "W|f:1|" takes 6 of the 199 characters a line can show, leaving 193.
    const std::string prefix = "W|f:1|";
    const auto as = [](std::size_t n) {
        return std::string(n, 'a');
    };
    const auto bytes = [](const std::string& s) {
        return QByteArray::fromStdString(s);
    };

    QTest::newRow("193 characters fit")
        << QByteArray("f") << bytes(as(193)) << Values{} << bytes(prefix + as(193));
    QTest::newRow("194 characters cut")
        << QByteArray("f") << bytes(as(194)) << Values{} << bytes(cut(prefix + as(194)));
    QTest::newRow("far too long") << QByteArray("f") << bytes(as(500)) << Values{}
                                  << bytes(cut(prefix + as(500)));
    QTest::newRow("value fits exactly") << QByteArray("f") << bytes(as(190) + "%1")
                                        << Values{Value::int32(123)} << bytes(prefix + as(190) + "123");
    QTest::newRow("value cut") << QByteArray("f") << bytes(as(190) + "%1") << Values{Value::int32(1234)}
                               << bytes(cut(prefix + as(190) + "1234"));
    QTest::newRow("long string value cut")
        << QByteArray("f") << bytes(as(150) + "%1 tail") << Values{Value::string(LongString)}
        << bytes(cut(prefix + as(150) + std::string(LongString, 127) + " tail"));
    QTest::newRow("value after full literal skipped")
        << QByteArray("f") << bytes(as(194) + "%1") << Values{Value::string("never")}
        << bytes(cut(prefix + as(194)));
    QTest::newRow("doubled percent on the last place")
        << QByteArray("f") << bytes(as(192) + "%%") << Values{} << bytes(prefix + as(192) + "%");
    QTest::newRow("percent pair across the end")
        << QByteArray("f") << bytes(as(192) + "%x") << Values{} << bytes(cut(prefix + as(192) + "%x"));
    QTest::newRow("cut text followed by more placeholders")
        << QByteArray("f") << bytes(as(180) + "%1%1%1") << Values{Value::hex(1)}
        << bytes(cut(prefix + as(180) + "0x000000010x000000010x00000001"));

    // A file name that alone fills the buffer: the prefix is cut and closed with a tilde.
    const std::string longName(250, 'n');
    QTest::newRow("prefix fills the buffer")
        << bytes(longName) << QByteArray("message") << Values{} << bytes(cut("W|" + longName + ":1|message"));
    // "W|" + name + ":1|": with 193 characters of name one character of message still fits; with 194 the
    // prefix takes all 199 and the first message character already cuts the line.
    const std::string name193(193, 'n');
    const std::string name194(194, 'n');
    const std::string name195(195, 'n');
    QTest::newRow("prefix leaves one place")
        << bytes(name193) << QByteArray("m") << Values{} << bytes("W|" + name193 + ":1|m");
    QTest::newRow("prefix takes every place")
        << bytes(name194) << QByteArray("") << Values{} << bytes("W|" + name194 + ":1|");
    QTest::newRow("prefix takes every place, message cut")
        << bytes(name194) << QByteArray("m") << Values{} << bytes(cut("W|" + name194 + ":1|m"));
    QTest::newRow("prefix one too long")
        << bytes(name195) << QByteArray("") << Values{} << bytes(cut("W|" + name195 + ":1|"));
}

void TestLogBackend::cutLine() {
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, format);
    QFETCH(Values, values);
    QFETCH(QByteArray, expected);

    Line out;
    const std::string line =
        format_line(Level::Warning, file.constData(), 1, format.constData(), values, out);
    QCOMPARE(QByteArray::fromStdString(line), expected);
    QVERIFY(line.size() <= Capacity - 1);
    if (expected.size() == int(Capacity - 1) && expected.endsWith('~')) {
        QCOMPARE(out.bytes[198], '~');
        QCOMPARE(out.bytes[199], '\0');
    }
    QVERIFY(out.tailUntouched());
}

void TestLogBackend::valueCursor_data() {
    QTest::addColumn<Values>("value");
    QTest::addColumn<int>("capacity");
    QTest::addColumn<int>("alreadyWritten");
    QTest::addColumn<int>("written");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("fits") << Values{Value::string("abc")} << 10 << 0 << 3 << QByteArray("abc");
    QTest::newRow("string cut, cursor advanced in full")
        << Values{Value::string("abcdefgh")} << 4 << 0 << 8 << QByteArray("abc");
    QTest::newRow("number cut") << Values{Value::uint32(123456)} << 3 << 0 << 6 << QByteArray("12");
    QTest::newRow("hex cut") << Values{Value::hex(0xAB)} << 5 << 0 << 10 << QByteArray("0x00");
    QTest::newRow("appends after written")
        << Values{Value::boolean(true)} << 10 << 2 << 6 << QByteArray("true");
    QTest::newRow("unknown kind") << Values{raw(30)} << 10 << 1 << 1 << QByteArray();
}

void TestLogBackend::valueCursor() {
    QFETCH(Values, value);
    QFETCH(int, capacity);
    QFETCH(int, alreadyWritten);
    QFETCH(int, written);
    QFETCH(QByteArray, text);

    char buffer[32];
    std::memset(buffer, Sentinel, sizeof buffer);
    cvsw::log::detail::FormatCursor cursor{buffer, std::size_t(capacity), std::size_t(alreadyWritten)};
    cvsw::log::detail::formatLogValue(value.front(), cursor);
    QCOMPARE(int(cursor.written), written);
    QCOMPARE(static_cast<const void*>(cursor.start), static_cast<const void*>(buffer));
    if (!text.isEmpty()) {
        QCOMPARE(QByteArray(buffer + alreadyWritten), text);
    }
    for (std::size_t i = std::size_t(capacity); i < sizeof buffer; ++i) {
        QCOMPARE(buffer[i], Sentinel);
    }
}

void TestLogBackend::routing_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<bool>("emitted");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("letter");

    QTest::newRow("0 debug") << 0 << true << int(QtDebugMsg) << "D";
    QTest::newRow("1 info") << 1 << true << int(QtInfoMsg) << "I";
    QTest::newRow("2 info") << 2 << true << int(QtInfoMsg) << "S";
    QTest::newRow("3 warning") << 3 << true << int(QtWarningMsg) << "W";
    QTest::newRow("4 warning") << 4 << true << int(QtWarningMsg) << "E";
    QTest::newRow("5 critical") << 5 << true << int(QtCriticalMsg) << "F";
    QTest::newRow("6 info") << 6 << true << int(QtInfoMsg) << "V";
    QTest::newRow("7 nowhere") << 7 << false << 0 << "?";
    QTest::newRow("9 nowhere") << 9 << false << 0 << "?";
}

void TestLogBackend::routing() {
    QFETCH(int, level);
    QFETCH(bool, emitted);
    QFETCH(int, type);
    QFETCH(QString, letter);

    const char* const path = "/build/cvsw/cvbv3/x";
    const Value values[] = {Value::uint32(17), Value::string("hdr")};
    {
        HandlerScope scope;
        cvsw::log::impl::log_locally(Level(level), 41177, path, 262, "bad %2 length %1", values, 2);
    }
    if (!emitted) {
        QVERIFY(captured.empty());
        return;
    }
    QCOMPARE(captured.size(), std::size_t(1));
    const Captured& c = captured.front();
    QCOMPARE(int(c.type), type);
    QCOMPARE(c.text, letter + QStringLiteral("|x:262|bad hdr length 17"));
    QCOMPARE(c.file, QByteArray(path)); // the full path, not trimmed
    QCOMPARE(c.line, 262);
    QCOMPARE(c.function, QByteArray(""));
    QCOMPARE(c.category, QByteArray("default"));
}

void TestLogBackend::routedLineIsCut() {
    const std::string text(300, 'z');
    const Value values[] = {Value::string(text), Value::string(text)};
    {
        HandlerScope scope;
        cvsw::log::impl::log_locally(Level::Error, 30695, "a/b.cpp", 5, "%1%2", values, 2);
    }
    QCOMPARE(captured.size(), std::size_t(1));
    const QString& line = captured.front().text;
    QCOMPARE(line.size(), 199);
    QCOMPARE(line.at(198), QLatin1Char('~'));
    QCOMPARE(line, QString::fromStdString(cut("E|b.cpp:5|" + std::string(254, 'z'))));
}

void TestLogBackend::macroPassesCallSite() {
    int expectedLine = 0;
    {
        HandlerScope scope;
        // clang-format off
        expectedLine = __LINE__; CVSW_LOG(Level::Warning, 20965, "block %1 of %2", Value::uint32(3), Value::uint32(9));
        CVSW_LOG(Level::Error, 20965, "no values");
        // clang-format on
    }
    QCOMPARE(captured.size(), std::size_t(2));
    QCOMPARE(captured[0].text, QStringLiteral("W|tst_log_backend.cpp:%1|block 3 of 9").arg(expectedLine));
    QCOMPARE(captured[0].file, QByteArray(__FILE__));
    QCOMPARE(captured[0].line, expectedLine);
    QCOMPARE(captured[1].text, QStringLiteral("E|tst_log_backend.cpp:%1|no values").arg(expectedLine + 1));
}

void TestLogBackend::macroSkipsDisabledLevel() {
    int built = 0;
    unsigned char& flag = cvsw::log::detail::LogCore::enabledLevels_[int(Level::Warning)];
    flag = 0;
    {
        HandlerScope scope;
        CVSW_LOG(Level::Warning, 20965, "%1", Value::int32(++built));
        flag = 1;
        CVSW_LOG(Level::Warning, 20965, "%1", Value::int32(++built));
    }
    QCOMPARE(built, 1); // no values are built for a disabled level
    QCOMPARE(captured.size(), std::size_t(1));
    QVERIFY(captured.front().text.endsWith(QLatin1String("|1")));
}

QTEST_GUILESS_MAIN(TestLogBackend)
#include "tst_log_backend.moc"
