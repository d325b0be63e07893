#include "logging/console_sink.h"
#include "logging/event_log_entry.h"
#include "logging/formatter.h"
#include "logging/log_entry.h"
#include "logging/logger.h"
#include "logging/logging.h"
#include "logging/managed_formatter_factory.h"
#include "logging/managed_sink_factory.h"
#include "logging/message_log_entry.h"
#include "logging/unknown_formatter_exception.h"
#include "logging/unknown_sink_exception.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <functional>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

using namespace cvsw::logging;

using Action = std::function<void()>;
Q_DECLARE_METATYPE(Action)

namespace {

struct Record {
    Level level;
    int module;
    std::string file;
    int line;
    int depth;
    std::string message;
};

// Keeps every entry it is given and formats it as "LEVEL|message".
class RecordingFormatter : public Formatter {
public:
    const char* name() const override { return "recording"; }
    std::string format(const LogEntry& entry) override {
        records.push_back({entry.level(), entry.module(), entry.file() ? entry.file() : "", entry.line(),
                           entry.depth(), entry.message()});
        return std::string(level_name(entry.level())) + "|" + entry.message();
    }

    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const Record& r : records) {
            out.push_back(r.message);
        }
        return out;
    }

    std::vector<Record> records;
};

class RecordingSink : public Sink {
public:
    explicit RecordingSink(std::vector<std::string>* journal = nullptr, std::string tag = {})
        : journal_(journal)
        , tag_(std::move(tag)) {}
    const char* name() const override { return "recording"; }
    void write(const std::string& text) override {
        texts.push_back(text);
        if (journal_) {
            journal_->push_back(tag_ + ":" + text);
        }
    }

    std::vector<std::string> texts;

private:
    std::vector<std::string>* journal_;
    std::string tag_;
};

class TestFormatterFactory : public detail::ManagedFormatterFactory {
public:
    explicit TestFormatterFactory(std::string name)
        : ManagedFormatterFactory(std::move(name)) {}
    std::unique_ptr<Formatter> create(const std::string& options) override {
        lastOptions = options;
        auto formatter = std::make_unique<RecordingFormatter>();
        created = formatter.get();
        return formatter;
    }
    std::string lastOptions;
    RecordingFormatter* created = nullptr;
};

class TestSinkFactory : public detail::ManagedSinkFactory {
public:
    explicit TestSinkFactory(std::string name)
        : ManagedSinkFactory(std::move(name)) {}
    std::unique_ptr<Sink> create(const std::string& options) override {
        lastOptions = options;
        auto sink = std::make_unique<RecordingSink>();
        created = sink.get();
        return sink;
    }
    std::string lastOptions;
    RecordingSink* created = nullptr;
};

// Sends file descriptor 1 to a file while it lives. QtTest also writes to standard output, so nothing
// may be checked until the capture has ended.
class StdoutCapture {
public:
    explicit StdoutCapture(const QString& path)
        : path_(path) {
        std::cout.flush();
        std::fflush(stdout);
        saved_ = ::dup(1);
        const int fd = ::open(path.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 1);
        ::close(fd);
    }
    ~StdoutCapture() { finish(); }

    QByteArray finish() {
        if (saved_ >= 0) {
            std::cout.flush();
            std::fflush(stdout);
            ::dup2(saved_, 1);
            ::close(saved_);
            saved_ = -1;
        }
        QFile file(path_);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    QString path_;
    int saved_ = -1;
};

QStringList toStringList(const std::vector<std::string>& texts) {
    QStringList out;
    for (const std::string& t : texts) {
        out << QString::fromStdString(t);
    }
    return out;
}

const std::string RULE(44, '-');

} // namespace

class TestLogging : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void levelNames_data();
    void levelNames();
    void startUpRegistration();
    void moduleRegistry();
    void filter_data();
    void filter();
    void byName();
    void fileSilencing();
    void disablingGlobalLevelWarns_data();
    void disablingGlobalLevelWarns();
    void focusWarnsThenFocuses();
    void focusOnUnregisteredModule();
    void assertions_data();
    void assertions();
    void assertionsFollowTheLoggingModuleFilter();
    void deliveryOrderAndFlag();
    void formatterSinks();
    void formatterFormatsOncePerEntry();
    void messageEntry();
    void eventEntry_data();
    void eventEntry();
    void loggerLevels_data();
    void loggerLevels();
    void loggerFunctionEntryAndDepth();
    void loggerFiltersItsEntries();
    void setupComboUnknownNames_data();
    void setupComboUnknownNames();
    void setupComboJoinsFormatterAndSink();
    void factoryReplacementAndRemoval();
    void consoleSinkWritesLines();
    void consoleSinkKeepsConcurrentLinesWhole();

private:
    RecordingFormatter recorder_;
    int alpha_ = -1;
    int beta_ = -1;
};

// The settings are process-wide, so every test starts from everything switched on.
void TestLogging::init() {
    unfocus();
    for (int l = 0; l < LEVEL_COUNT; ++l) {
        enable_level(Level(l), true);
        enable_fuzzy_level(Level(l), false);
    }
    for (int id = 0; module_name(id) != nullptr; ++id) {
        enable_module(id, true);
        for (int l = 0; l < LEVEL_COUNT; ++l) {
            enable_module_level(id, Level(l), true);
        }
    }
    for (const char* file : {"alpha.cpp", "beta.cpp"}) {
        enable_file(file, true);
    }
    alpha_ = module_id("tst.alpha");
    beta_ = module_id("tst.beta");
    recorder_.records.clear();
    install_formatter(&recorder_);
}

void TestLogging::cleanup() {
    uninstall_formatter(&recorder_);
    unfocus();
}

void TestLogging::levelNames_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("name");
    QTest::newRow("0") << 0 << "DBUG";
    QTest::newRow("1") << 1 << "INFO";
    QTest::newRow("2") << 2 << "SUCC";
    QTest::newRow("3") << 3 << "WARN";
    QTest::newRow("4") << 4 << "EROR";
    QTest::newRow("5") << 5 << "FAIL";
    QTest::newRow("6") << 6 << "EVENT";
    QTest::newRow("7") << 7 << "???INVALID???";
    QTest::newRow("-1") << -1 << "???INVALID???";
}

void TestLogging::levelNames() {
    QFETCH(int, level);
    QFETCH(QString, name);
    QCOMPARE(QString::fromLatin1(level_name(Level(level))), name);
}

void TestLogging::startUpRegistration() {
    initialise();
    initialise(); // a second call changes nothing
    QCOMPARE(QString::fromLatin1(module_name(GLOBAL_MODULE_ID)), QStringLiteral("global"));
    QCOMPARE(module_id("logging"), 1);
    QCOMPARE(QString::fromLatin1(module_name(1)), QStringLiteral("logging"));
    // The console factory is there without anything having registered it by hand.
    TestFormatterFactory formatters("tst.startup");
    QVERIFY(setup_combo("tst.startup", "", "console", "") != nullptr);
    QVERIFY(uninstall_formatter(formatters.created));
}

void TestLogging::moduleRegistry() {
    QCOMPARE(module_id("global"), GLOBAL_MODULE_ID);
    QCOMPARE(module_id("tst.alpha"), alpha_);
    QVERIFY(beta_ != alpha_);

    int count = 0;
    while (module_name(count) != nullptr) {
        ++count;
    }
    const int fresh = module_id("tst.registry.fresh");
    QCOMPARE(fresh, count);
    QCOMPARE(module_id("tst.registry.fresh"), fresh);
    QCOMPARE(QString::fromLatin1(module_name(fresh)), QStringLiteral("tst.registry.fresh"));
    QVERIFY(module_name(fresh + 1) == nullptr);
    QVERIFY(is_module_enabled(fresh));
    for (int l = 0; l < LEVEL_COUNT; ++l) {
        QVERIFY(is_module_level_enabled(fresh, Level(l)));
    }
}

void TestLogging::filter_data() {
    QTest::addColumn<QString>("module"); // "alpha", "beta" or "unregistered"
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("levelOff");   // switched off for everything, -1 for none
    QTest::addColumn<bool>("moduleOff"); // alpha switched off
    QTest::addColumn<int>("maskOff");    // cleared in alpha's mask, -1 for none
    QTest::addColumn<QString>("focus");  // "", "alpha" or "beta"
    QTest::addColumn<int>("fuzzy");      // fuzzy level, -1 for none
    QTest::addColumn<QString>("fileOff");
    QTest::addColumn<bool>("expected");

    QTest::newRow("all on") << "alpha" << 3 << -1 << false << -1 << "" << -1 << "" << true;
    QTest::newRow("level off") << "alpha" << 3 << 3 << false << -1 << "" << -1 << "" << false;
    QTest::newRow("another level off") << "alpha" << 3 << 4 << false << -1 << "" << -1 << "" << true;
    QTest::newRow("module off") << "alpha" << 3 << -1 << true << -1 << "" << -1 << "" << false;
    QTest::newRow("other module off") << "beta" << 3 << -1 << true << -1 << "" << -1 << "" << true;
    QTest::newRow("mask bit off") << "alpha" << 0 << -1 << false << 0 << "" << -1 << "" << false;
    QTest::newRow("another mask bit off") << "alpha" << 1 << -1 << false << 0 << "" << -1 << "" << true;
    QTest::newRow("other module's mask") << "beta" << 0 << -1 << false << 0 << "" << -1 << "" << true;
    QTest::newRow("focused") << "alpha" << 0 << -1 << false << -1 << "alpha" << -1 << "" << true;
    QTest::newRow("focused, mask bit off")
        << "alpha" << 0 << -1 << false << 0 << "alpha" << -1 << "" << false;
    QTest::newRow("focused, level off") << "alpha" << 0 << 0 << false << -1 << "alpha" << -1 << "" << false;
    QTest::newRow("other focused") << "alpha" << 0 << -1 << false << -1 << "beta" << -1 << "" << false;
    QTest::newRow("other focused, fuzzy") << "alpha" << 0 << -1 << false << -1 << "beta" << 0 << "" << true;
    QTest::newRow("other focused, another fuzzy")
        << "alpha" << 0 << -1 << false << -1 << "beta" << 1 << "" << false;
    QTest::newRow("other focused, fuzzy beats mask")
        << "alpha" << 0 << -1 << false << 0 << "beta" << 0 << "" << true;
    QTest::newRow("other focused, fuzzy, module off")
        << "alpha" << 0 << -1 << true << -1 << "beta" << 0 << "" << false;
    QTest::newRow("other focused, fuzzy, level off")
        << "alpha" << 0 << 0 << false << -1 << "beta" << 0 << "" << false;
    QTest::newRow("file off") << "alpha" << 3 << -1 << false << -1 << "" << -1 << "alpha.cpp" << false;
    QTest::newRow("another file off") << "alpha" << 3 << -1 << false << -1 << "" << -1 << "beta.cpp" << true;
    QTest::newRow("focused, file off")
        << "alpha" << 3 << -1 << false << -1 << "alpha" << -1 << "alpha.cpp" << false;
    QTest::newRow("unregistered") << "unregistered" << 3 << -1 << false << -1 << "" << -1 << "" << true;
    QTest::newRow("unregistered, level off")
        << "unregistered" << 3 << 3 << false << -1 << "" << -1 << "" << false;
    QTest::newRow("unregistered, other focused")
        << "unregistered" << 3 << -1 << false << -1 << "beta" << -1 << "" << true;
    QTest::newRow("unregistered, file off")
        << "unregistered" << 3 << -1 << false << -1 << "" << -1 << "alpha.cpp" << false;
}

void TestLogging::filter() {
    QFETCH(QString, module);
    QFETCH(int, level);
    QFETCH(int, levelOff);
    QFETCH(bool, moduleOff);
    QFETCH(int, maskOff);
    QFETCH(QString, focus);
    QFETCH(int, fuzzy);
    QFETCH(QString, fileOff);
    QFETCH(bool, expected);

    const auto idOf = [this](const QString& name) {
        if (name == QLatin1String("alpha")) {
            return alpha_;
        }
        if (name == QLatin1String("beta")) {
            return beta_;
        }
        return 100000;
    };

    if (levelOff >= 0) {
        enable_level(Level(levelOff), false);
    }
    if (moduleOff) {
        QVERIFY(enable_module(alpha_, false));
    }
    if (maskOff >= 0) {
        enable_module_level(alpha_, Level(maskOff), false);
    }
    if (fuzzy >= 0) {
        enable_fuzzy_level(Level(fuzzy), true);
    }
    if (!fileOff.isEmpty()) {
        enable_file(fileOff.toLatin1().constData(), false);
    }
    if (!focus.isEmpty()) {
        QVERIFY(focus_on_module(idOf(focus)));
    }

    QCOMPARE(is_enabled(Level(level), idOf(module), "alpha.cpp"), expected);
}

void TestLogging::byName() {
    QVERIFY(!enable_module_by_name("tst.byname.unknown", false));
    QVERIFY(!enable_module_level_by_name("tst.byname.unknown", Level::WARN, false));
    QVERIFY(!focus_on_module_by_name("tst.byname.unknown"));
    QVERIFY(!is_module_enabled("tst.byname.unknown"));
    // Asking never registers the name.
    int count = 0;
    while (module_name(count) != nullptr) {
        ++count;
    }
    QVERIFY(module_name(count - 1) != std::string("tst.byname.unknown"));

    QVERIFY(enable_module_by_name("tst.alpha", false));
    QVERIFY(!is_module_enabled("tst.alpha"));
    QVERIFY(!is_module_enabled(alpha_));
    QVERIFY(is_module_enabled("tst.beta"));
    QVERIFY(enable_module_by_name("tst.alpha", true));
    QVERIFY(is_module_enabled("tst.alpha"));

    QVERIFY(enable_module_level_by_name("tst.alpha", Level::EROR, false));
    QVERIFY(!is_module_level_enabled(alpha_, Level::EROR));
    QVERIFY(is_module_level_enabled(alpha_, Level::FAIL));
    QVERIFY(is_module_level_enabled(beta_, Level::EROR));

    QVERIFY(focus_on_module_by_name("tst.beta"));
    QVERIFY(!is_enabled(Level::FAIL, alpha_, "alpha.cpp"));
    QVERIFY(is_enabled(Level::FAIL, beta_, "alpha.cpp"));
}

void TestLogging::fileSilencing() {
    QVERIFY(is_file_enabled("alpha.cpp"));
    enable_file("alpha.cpp", false);
    enable_file("alpha.cpp", false);
    QVERIFY(!is_file_enabled("alpha.cpp"));
    QVERIFY(is_file_enabled("beta.cpp"));
    QVERIFY(is_file_enabled("dir/alpha.cpp")); // names are compared whole
    enable_file("alpha.cpp", true);
    QVERIFY(is_file_enabled("alpha.cpp"));
    enable_file("beta.cpp", true); // enabling a file that was never silenced is harmless
    QVERIFY(is_file_enabled("beta.cpp"));
}

void TestLogging::disablingGlobalLevelWarns_data() {
    QTest::addColumn<bool>("global");
    QTest::addColumn<int>("level");
    QTest::addColumn<bool>("enable");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("global DBUG off") << true << 0 << false
                                     << QStringList{QStringLiteral("Disabling DBUG for 'global' module.")};
    QTest::newRow("global EVENT off")
        << true << 6 << false << QStringList{QStringLiteral("Disabling EVENT for 'global' module.")};
    QTest::newRow("global on") << true << 0 << true << QStringList{};
    QTest::newRow("other module off") << false << 0 << false << QStringList{};
}

void TestLogging::disablingGlobalLevelWarns() {
    QFETCH(bool, global);
    QFETCH(int, level);
    QFETCH(bool, enable);
    QFETCH(QStringList, expected);

    const int id = global ? GLOBAL_MODULE_ID : alpha_;
    enable_module_level(id, Level(level), enable);
    QCOMPARE(is_module_level_enabled(id, Level(level)), enable);
    QCOMPARE(toStringList(recorder_.messages()), expected);
    for (const Record& r : recorder_.records) {
        QCOMPARE(r.level, Level::WARN);
        QCOMPARE(r.module, module_id("logging"));
    }
}

void TestLogging::focusWarnsThenFocuses() {
    QVERIFY(focus_on_module(alpha_));
    const std::vector<std::string> expected = {
        RULE, RULE, RULE, "DANGER - Focusing logs on only ONE module!", "Logs for other modules may be LOST.",
        RULE, RULE, RULE};
    QCOMPARE(recorder_.messages(), expected);
    for (const Record& r : recorder_.records) {
        QCOMPARE(r.level, Level::WARN);
        QCOMPARE(r.module, module_id("logging"));
    }
    QVERIFY(is_enabled(Level::DBUG, alpha_, "alpha.cpp"));
    QVERIFY(!is_enabled(Level::DBUG, beta_, "alpha.cpp"));
    unfocus();
    QVERIFY(is_enabled(Level::DBUG, beta_, "alpha.cpp"));
}

void TestLogging::focusOnUnregisteredModule() {
    QVERIFY(!focus_on_module(100000));
    QVERIFY(!focus_on_module(-1));
    QVERIFY(recorder_.records.empty());
    QVERIFY(is_enabled(Level::DBUG, beta_, "alpha.cpp"));
}

void TestLogging::assertions_data() {
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("message"); // empty: no assertion entry
    QTest::addColumn<bool>("throws");

    QTest::newRow("is_enabled, invalid level")
        << Action([] { is_enabled(Level(7), GLOBAL_MODULE_ID, "alpha.cpp"); })
        << "ASSERTION FAILURE(level >= EnumTraits<Level>::FIRST && level <= EnumTraits<Level>::LAST) Invalid "
           "level"
        << true;
    QTest::newRow("is_enabled, null file")
        << Action([] { QVERIFY(!is_enabled(Level::WARN, GLOBAL_MODULE_ID, nullptr)); })
        << "ASSERTION FAILURE(file) Filename is nullptr" << false;
    QTest::newRow("is_file_enabled, null")
        << Action([] { QVERIFY(!is_file_enabled(nullptr)); })
        << "ASSERTION FAILURE(file) You've managed to supply a null pointer for the file name" << false;
    QTest::newRow("enable_file, null") << Action([] { enable_file(nullptr, false); })
                                       << "ASSERTION FAILURE(file) Filename is nullptr" << false;
    QTest::newRow("module_id, null") << Action([] { QCOMPARE(module_id(nullptr), GLOBAL_MODULE_ID); })
                                     << "ASSERTION FAILURE(modulename) Module name is null" << false;
    QTest::newRow("enable_module_by_name, null")
        << Action([] { QVERIFY(!enable_module_by_name(nullptr, true)); })
        << "ASSERTION FAILURE(modulename) Module name is null" << false;
    QTest::newRow("enable_level, invalid")
        << Action([] { enable_level(Level(-1), true); })
        << "ASSERTION FAILURE(level >= EnumTraits<Level>::FIRST && level <= "
           "EnumTraits<Level>::LAST) Invalid level"
        << true;
    QTest::newRow("enable_module_level, negative id")
        << Action([] { enable_module_level(-1, Level::WARN, true); })
        << "ASSERTION FAILURE(moduleId >= GLOBAL_MODULE_ID) Module ID is out of bounds" << true;
    QTest::newRow("enable_module, negative id")
        << Action([] { QVERIFY(!enable_module(-1, true)); })
        << "ASSERTION FAILURE(moduleId >= GLOBAL_MODULE_ID) Module ID is out of bounds" << false;
    QTest::newRow("is_enabled, negative id")
        << Action([] { QVERIFY(is_enabled(Level::WARN, -1, "alpha.cpp")); })
        << "ASSERTION FAILURE(moduleId >= 0) Module ID is out of bounds" << false;
    QTest::newRow("enable_module, id beyond")
        << Action([] { QVERIFY(!enable_module(100000, true)); }) << "" << false;
    QTest::newRow("is_module_enabled, id beyond") << Action([] { is_module_enabled(100000); }) << "" << true;
    QTest::newRow("is_module_level_enabled, invalid level")
        << Action([] { is_module_level_enabled(GLOBAL_MODULE_ID, Level(9)); })
        << "ASSERTION FAILURE(level >= EnumTraits<Level>::FIRST && level <= EnumTraits<Level>::LAST) Invalid "
           "level"
        << true;
}

void TestLogging::assertions() {
    QFETCH(Action, action);
    QFETCH(QString, message);
    QFETCH(bool, throws);

    if (throws) {
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, action());
    } else {
        action();
    }
    if (message.isEmpty()) {
        QVERIFY(recorder_.records.empty());
        return;
    }
    QCOMPARE(recorder_.records.size(), std::size_t(1));
    const Record& r = recorder_.records.front();
    QCOMPARE(QString::fromStdString(r.message), message);
    QCOMPARE(r.level, Level::FAIL);
    QCOMPARE(r.module, module_id("logging"));
}

void TestLogging::assertionsFollowTheLoggingModuleFilter() {
    enable_module_level(module_id("logging"), Level::FAIL, false);
    QVERIFY(!is_file_enabled(nullptr));
    QVERIFY(recorder_.records.empty());
}

void TestLogging::deliveryOrderAndFlag() {
    RecordingFormatter second;
    QCOMPARE(install_formatter(&second), 1); // the recorder sits at 0
    QCOMPARE(install_formatter(nullptr), -1);

    std::vector<std::string> journal;
    RecordingSink firstSink(&journal, "first");
    RecordingSink secondSink(&journal, "second");
    recorder_.installSink(&firstSink);
    second.installSink(&secondSink);

    { const LogEntry entry(Level::INFO, alpha_, "alpha.cpp", 10, 0, "delivered"); }
    {
        LogEntry entry(Level::INFO, alpha_, "alpha.cpp", 11, 0, "withheld");
        entry.setDeliver(false);
    }
    const std::vector<std::string> expected = {"first:INFO|delivered", "second:INFO|delivered"};
    QCOMPARE(journal, expected);

    QVERIFY(uninstall_formatter(&second));
    QVERIFY(!uninstall_formatter(&second));
    { const LogEntry entry(Level::INFO, alpha_, "alpha.cpp", 12, 0, "only first"); }
    QCOMPARE(journal.back(), std::string("first:INFO|only first"));
    QCOMPARE(second.records.size(), std::size_t(1));
    recorder_.uninstallSink(&firstSink);
}

void TestLogging::formatterSinks() {
    RecordingFormatter formatter;
    RecordingSink a;
    RecordingSink b;
    formatter.installSink(&a);
    formatter.installSink(&b);
    formatter.installSink(&a);
    formatter.installSink(nullptr);
    QCOMPARE(formatter.sinkCount(), 2);
    QCOMPARE(recorder_.messages(),
             std::vector<std::string>{"Attempt to add sink that has already been added"});
    QCOMPARE(recorder_.records.front().level, Level::WARN);

    formatter.deliverToSinks("text");
    QCOMPARE(a.texts, std::vector<std::string>{"text"});
    QCOMPARE(b.texts, std::vector<std::string>{"text"});

    QVERIFY(formatter.uninstallSink(&a));
    QVERIFY(!formatter.uninstallSink(&a));
    QCOMPARE(formatter.sinkCount(), 1);
    formatter.deliverToSinks("again");
    QCOMPARE(a.texts.size(), std::size_t(1));
    QCOMPARE(b.texts.back(), std::string("again"));
}

void TestLogging::formatterFormatsOncePerEntry() {
    RecordingFormatter formatter;
    RecordingSink a;
    RecordingSink b;
    formatter.installSink(&a);
    formatter.installSink(&b);
    {
        LogEntry entry(Level::SUCC, alpha_, "alpha.cpp", 1, 0, "done");
        entry.setDeliver(false);
        formatter.sink(entry);
    }
    QCOMPARE(formatter.records.size(), std::size_t(1));
    QCOMPARE(a.texts, std::vector<std::string>{"SUCC|done"});
    QCOMPARE(b.texts, std::vector<std::string>{"SUCC|done"});
}

void TestLogging::messageEntry() {
    const std::time_t before = std::time(nullptr);
    MessageLogEntry(Level::EROR, alpha_, "alpha.cpp", 42, 3) << "read " << 12 << " of " << 64u << " bytes";
    const std::time_t after = std::time(nullptr);

    QCOMPARE(recorder_.records.size(), std::size_t(1));
    const Record& r = recorder_.records.front();
    QCOMPARE(r.message, std::string("read 12 of 64 bytes"));
    QCOMPARE(r.level, Level::EROR);
    QCOMPARE(r.module, alpha_);
    QCOMPARE(r.file, std::string("alpha.cpp"));
    QCOMPARE(r.line, 42);
    QCOMPARE(r.depth, 3);

    // The time is taken when the entry is made.
    std::time_t stamped = 0;
    struct TimeFormatter : Formatter {
        std::time_t* out;
        explicit TimeFormatter(std::time_t* o)
            : out(o) {}
        const char* name() const override { return "time"; }
        std::string format(const LogEntry& entry) override {
            *out = entry.time();
            return {};
        }
    } timeFormatter(&stamped);
    install_formatter(&timeFormatter);
    MessageLogEntry(Level::INFO, alpha_, "alpha.cpp", 1, 0) << "x";
    uninstall_formatter(&timeFormatter);
    QVERIFY(stamped >= before);
    QVERIFY(stamped <= std::time(nullptr));
    Q_UNUSED(after);
}

void TestLogging::eventEntry_data() {
    QTest::addColumn<Action>("build");
    QTest::addColumn<QString>("message");

    QTest::newRow("no parameters") << Action([] { EventLogEntry(0, "alpha.cpp", 1, 0, "started"); })
                                   << "started()";
    QTest::newRow("one string") << Action([] { EventLogEntry(0, "alpha.cpp", 1, 0, "open") << "COM3"; })
                                << "open(\"COM3\")";
    QTest::newRow("quotes escaped") << Action([] {
        EventLogEntry(0, "alpha.cpp", 1, 0, "say").parameteriseString("he said \"hi\"");
    }) << "say(\"he said \\\"hi\\\"\")";
    QTest::newRow("mixed") << Action([] {
        EventLogEntry(0, "alpha.cpp", 1, 0, "connect") << "localhost" << 9800 << true << std::string("tcp");
    }) << "connect(\"localhost\", 9800, true, \"tcp\")";
    QTest::newRow("empty string") << Action([] { EventLogEntry(0, "alpha.cpp", 1, 0, "e") << ""; })
                                  << "e(\"\")";
    QTest::newRow("null string") << Action([] {
        const char* none = nullptr;
        EventLogEntry(0, "alpha.cpp", 1, 0, "n") << none;
    }) << "n(null)";
}

void TestLogging::eventEntry() {
    QFETCH(Action, build);
    QFETCH(QString, message);
    build();
    QCOMPARE(recorder_.records.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(recorder_.records.front().message), message);
    QCOMPARE(recorder_.records.front().level, Level::EVENT);
}

void TestLogging::loggerLevels_data() {
    QTest::addColumn<int>("which");
    QTest::addColumn<int>("level");
    QTest::newRow("debug") << 0 << 0;
    QTest::newRow("info") << 1 << 1;
    QTest::newRow("success") << 2 << 2;
    QTest::newRow("warning") << 3 << 3;
    QTest::newRow("error") << 4 << 4;
    QTest::newRow("failure") << 5 << 5;
}

void TestLogging::loggerLevels() {
    QFETCH(int, which);
    QFETCH(int, level);
    using Method = MessageLogEntry (Logger::*)(int);
    const Method methods[] = {&Logger::debug,   &Logger::info,  &Logger::success,
                              &Logger::warning, &Logger::error, &Logger::failure};
    {
        Logger logger("alpha.cpp", 100, alpha_, "run");
        (logger.*methods[which])(105) << "message";
    }
    QCOMPARE(recorder_.records.size(), std::size_t(2));
    const Record& r = recorder_.records.back();
    QCOMPARE(r.level, Level(level));
    QCOMPARE(r.line, 105);
    QCOMPARE(r.module, alpha_);
    QCOMPARE(r.file, std::string("alpha.cpp"));
    QCOMPARE(r.message, std::string("message"));
}

void TestLogging::loggerFunctionEntryAndDepth() {
    {
        Logger outer("alpha.cpp", 10, alpha_, "outer");
        const int base = outer.depth();
        QVERIFY(base >= 1);
        outer.info(11) << "one";
        outer.warning(12) << "two";
        {
            Logger inner("beta.cpp", 20, beta_, "inner");
            QCOMPARE(inner.depth(), base + 1);
            inner.debug(21) << "three";
        }
        Logger sibling("beta.cpp", 30, beta_, "sibling");
        QCOMPARE(sibling.depth(), base + 1);

        QCOMPARE(recorder_.records.size(), std::size_t(5));
        const auto& r = recorder_.records;
        // One function entry, before the first message only, with the Logger's own line.
        QCOMPARE(r[0].message, std::string("outer"));
        QCOMPARE(r[0].level, Level::INFO);
        QCOMPARE(r[0].line, 10);
        QCOMPARE(r[0].depth, base);
        QCOMPARE(r[1].message, std::string("one"));
        QCOMPARE(r[1].depth, base);
        QCOMPARE(r[2].message, std::string("two"));
        QCOMPARE(r[3].message, std::string("inner"));
        QCOMPARE(r[3].line, 20);
        QCOMPARE(r[3].depth, base + 1);
        QCOMPARE(r[4].message, std::string("three"));
        QCOMPARE(r[4].depth, base + 1);
        QCOMPARE(r[4].line, 21);
    }
    Logger after("alpha.cpp", 40, alpha_, "after");
    Logger again("alpha.cpp", 41, alpha_, "again");
    QCOMPARE(again.depth(), after.depth() + 1);
}

void TestLogging::loggerFiltersItsEntries() {
    enable_module_level(alpha_, Level::DBUG, false);
    {
        Logger logger("alpha.cpp", 50, alpha_, "quiet");
        logger.debug(51) << "hidden";
        logger.info(52) << "shown";
    }
    QCOMPARE(recorder_.messages(), (std::vector<std::string>{"quiet", "shown"}));

    recorder_.records.clear();
    enable_file("alpha.cpp", false);
    {
        Logger logger("alpha.cpp", 60, alpha_, "silenced");
        logger.failure(61) << "hidden";
    }
    QVERIFY(recorder_.records.empty());
}

void TestLogging::setupComboUnknownNames_data() {
    QTest::addColumn<QString>("formatter");
    QTest::addColumn<QString>("sink");
    QTest::addColumn<bool>("formatterUnknown");
    QTest::addColumn<QString>("missing");

    QTest::newRow("unknown formatter") << "tst.none"
                                       << "console" << true << "tst.none";
    QTest::newRow("unknown sink") << "tst.combo"
                                  << "tst.none" << false << "tst.none";
    QTest::newRow("both unknown, formatter first") << "tst.none.f"
                                                   << "tst.none.s" << true << "tst.none.f";
}

void TestLogging::setupComboUnknownNames() {
    QFETCH(QString, formatter);
    QFETCH(QString, sink);
    QFETCH(bool, formatterUnknown);
    QFETCH(QString, missing);

    TestFormatterFactory factory("tst.combo");
    try {
        setup_combo(formatter.toStdString(), "", sink.toStdString(), "");
        QFAIL("no exception");
    } catch (const UnknownFormatterException& e) {
        QVERIFY(formatterUnknown);
        QCOMPARE(QString::fromStdString(e.name()), missing);
    } catch (const UnknownSinkException& e) {
        QVERIFY(!formatterUnknown);
        QCOMPARE(QString::fromStdString(e.name()), missing);
    }
    QVERIFY(factory.created == nullptr); // nothing made when a name is unknown
}

void TestLogging::setupComboJoinsFormatterAndSink() {
    TestFormatterFactory formatters("tst.combo");
    TestSinkFactory sinks("tst.combo.sink");
    Formatter* installed = setup_combo("tst.combo", "f-options", "tst.combo.sink", "s-options");
    QVERIFY(installed != nullptr);
    QCOMPARE(installed, formatters.created);
    QCOMPARE(formatters.lastOptions, std::string("f-options"));
    QCOMPARE(sinks.lastOptions, std::string("s-options"));
    QCOMPARE(installed->sinkCount(), 1);

    MessageLogEntry(Level::WARN, alpha_, "alpha.cpp", 7, 0) << "through the combo";
    QCOMPARE(sinks.created->texts, std::vector<std::string>{"WARN|through the combo"});
    QVERIFY(uninstall_formatter(installed));
}

void TestLogging::factoryReplacementAndRemoval() {
    auto first = std::make_unique<TestSinkFactory>("tst.replace");
    auto second = std::make_unique<TestSinkFactory>("tst.replace");
    TestFormatterFactory formatters("tst.replace.f");

    QVERIFY(uninstall_formatter(setup_combo("tst.replace.f", "", "tst.replace", "")));
    QVERIFY(first->created == nullptr);
    QVERIFY(second->created != nullptr);

    // The replaced factory leaves the newer one's entry alone.
    first.reset();
    QVERIFY(uninstall_formatter(setup_combo("tst.replace.f", "", "tst.replace", "")));

    second.reset();
    QVERIFY_THROWS_EXCEPTION(UnknownSinkException, setup_combo("tst.replace.f", "", "tst.replace", ""));
}

void TestLogging::consoleSinkWritesLines() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ConsoleSink sink;
    QCOMPARE(QString::fromLatin1(sink.name()), QStringLiteral("console"));

    StdoutCapture capture(dir.filePath(QStringLiteral("out.txt")));
    sink.write("first line");
    sink.write("");
    sink.write("third");
    const QByteArray out = capture.finish();
    QCOMPARE(out, QByteArray("first line\n\nthird\n"));
}

void TestLogging::consoleSinkKeepsConcurrentLinesWhole() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ConsoleSink sink;
    constexpr int Threads = 8;
    constexpr int Lines = 300;
    {
        StdoutCapture capture(dir.filePath(QStringLiteral("out.txt")));
        std::vector<std::thread> threads;
        for (int t = 0; t < Threads; ++t) {
            threads.emplace_back([&sink, t] {
                const std::string text(120, char('a' + t));
                for (int i = 0; i < Lines; ++i) {
                    sink.write(text);
                }
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
    }
    QFile file(dir.filePath(QStringLiteral("out.txt")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), Threads * Lines + 1);
    QVERIFY(lines.last().isEmpty());
    for (int i = 0; i < lines.size() - 1; ++i) {
        const QByteArray& line = lines.at(i);
        QCOMPARE(line.size(), 120);
        QCOMPARE(line.count(line.front()), 120);
    }
}

QTEST_GUILESS_MAIN(TestLogging)
#include "tst_logging.moc"
