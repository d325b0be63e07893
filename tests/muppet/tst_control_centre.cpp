#include "muppet/basic_std_vector_buffer.h"
#include "muppet/control_centre.h"
#include "muppet/control_mode.h"
#include "muppet/error_code.h"
#include "muppet/notifier.h"
#include "muppet/product_model_command.h"
#include "muppet/product_type_command.h"

#include <QByteArray>
#include <QStringList>
#include <QTest>

#include <memory>
#include <stdexcept>
#include <string>

using cvsw::muppet::ControlCentre;
using namespace cvsw::muppet::control;

namespace {

class NullNotifier final : public cvsw::muppet::Notifier {
public:
    void notify(std::uint32_t, std::uint32_t) override {}
    void notify(std::uint32_t, std::uint32_t, std::uint32_t) override {}
};

// Writes down every report as a short text, in order.
class RecordingSink final : public ControlCentre::ErrorSink {
public:
    void handlerReplaced(Group group, std::uint16_t id) override {
        events << QStringLiteral("replaced %1 %2").arg(group).arg(id);
    }
    void invalidGroup(Group group) override { events << QStringLiteral("invalidGroup %1").arg(group); }
    void unhandled(Group group, std::uint16_t id) override {
        events << QStringLiteral("unhandled %1 %2").arg(group).arg(id);
    }
    void tooShort(const std::uint8_t* message, std::size_t length) override {
        events << QStringLiteral("tooShort %1")
                      .arg(QString::fromLatin1(
                          QByteArray(reinterpret_cast<const char*>(message), qsizetype(length)).toHex(' ')));
    }
    QStringList events;
};

// A command of another group, to see that dispatch keys on group and id together.
struct Group5Command {
    static constexpr Group GROUP = 5;
    static constexpr std::uint16_t ID = 20;
    Mode mode = Mode::GET;
    static std::unique_ptr<Group5Command> decode(cvsw::ControlExtractor&, Mode mode) {
        auto command = std::make_unique<Group5Command>();
        command->mode = mode;
        return command;
    }
};

// A buffer that never has room.
class FullBuffer final : public cvsw::muppet::Buffer {
public:
    std::size_t size() const override { return 0; }
    std::uint8_t* data() override { return nullptr; }
    const std::uint8_t* data() const override { return nullptr; }
    void consume(cvsw::muppet::Notifier&, std::size_t) override {}
    void clear() override {}
    std::size_t freeSpace() const override { return 0; }
    std::uint8_t* prepare(cvsw::muppet::Notifier&, std::size_t) override { return nullptr; }
    void commit(cvsw::muppet::Notifier&, std::size_t) override {}
};

QByteArray bytes(const char* hex) {
    return QByteArray::fromHex(hex);
}

std::vector<std::uint8_t> message(const QByteArray& data) {
    return {data.begin(), data.end()};
}

void handle(ControlCentre& centre, const QByteArray& data) {
    centre.handleFrame(reinterpret_cast<const std::uint8_t*>(data.constData()), std::size_t(data.size()));
}

QByteArray take(ControlCentre& centre, bool* taken = nullptr) {
    NullNotifier notifier;
    cvsw::muppet::BasicStdVectorBuffer buffer;
    std::uint8_t frameType = 0;
    const bool ok = centre.takeNextFrame(notifier, frameType, buffer);
    if (taken != nullptr) {
        *taken = ok;
    }
    if (ok && frameType != 0xFF) {
        return "wrong frame type";
    }
    return QByteArray(reinterpret_cast<const char*>(buffer.data()), qsizetype(buffer.size()));
}

} // namespace

class TestControlCentre : public QObject {
    Q_OBJECT

private slots:
    void queueOrder_data();
    void queueOrder();
    void messageWithoutRoomIsLost();
    void dispatch_data();
    void dispatch();
    void interceptorAndFallback();
    void replacingHandler();
    void clearHandler();
    void emptyHandlerThrows();
    void handlerReplacesItselfWhileRunning();
    void handlerClearsItselfWhileRunning();
    void modeNames_data();
    void modeNames();
    void errorCodeNames_data();
    void errorCodeNames();
};

void TestControlCentre::queueOrder_data() {
    // Each queued item is "<priority><tag>": priority L, N or H, then the one-byte message.
    QTest::addColumn<QStringList>("queued");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("normal queue is first in, first out") << QStringList{"NA", "NB"} << QByteArray("AB");
    QTest::newRow("high before normal before low")
        << QStringList{"LA", "NB", "HC", "ND", "HE"} << QByteArray("CEBDA");
    QTest::newRow("nothing queued") << QStringList{} << QByteArray();
}

void TestControlCentre::queueOrder() {
    QFETCH(QStringList, queued);
    QFETCH(QByteArray, expected);

    ControlCentre centre;
    for (const QString& item : queued) {
        const auto priority = item[0] == u'H'   ? ControlCentre::Priority::HIGH
                              : item[0] == u'N' ? ControlCentre::Priority::NORMAL
                                                : ControlCentre::Priority::LOW;
        centre.queueMessage({static_cast<std::uint8_t>(item[1].toLatin1())}, priority);
    }

    QByteArray taken;
    for (;;) {
        bool ok = false;
        const QByteArray frame = take(centre, &ok);
        if (!ok) {
            break;
        }
        taken += frame;
    }
    QCOMPARE(taken, expected);
}

void TestControlCentre::messageWithoutRoomIsLost() {
    ControlCentre centre;
    centre.queueMessage(message(bytes("020014")));
    centre.queueMessage(message(bytes("020003")));

    NullNotifier notifier;
    FullBuffer full;
    std::uint8_t frameType = 0;
    QVERIFY(!centre.takeNextFrame(notifier, frameType, full));
    QCOMPARE(take(centre), bytes("020003"));
}

void TestControlCentre::dispatch_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("expected"); // handler calls and sink reports, in order

    QTest::newRow("INF product type") << bytes("820014009000010002") << QStringList{"productType INF 144"};
    QTest::newRow("header only, empty payload") << bytes("020014") << QStringList{"productType GET 0"};
    QTest::newRow("two bytes") << bytes("0200") << QStringList{"tooShort 02 00"};
    QTest::newRow("nothing") << QByteArray() << QStringList{"tooShort "};
    QTest::newRow("group 7") << bytes("870014") << QStringList{"invalidGroup 7"};
    QTest::newRow("group 63") << bytes("ff0014") << QStringList{"invalidGroup 63"};
    QTest::newRow("ERR group 2") << bytes("c20014") << QStringList{"productType ERR 0"};
    QTest::newRow("same id, group 5") << bytes("850014") << QStringList{"group5 INF"};
    QTest::newRow("same id, group 3") << bytes("830014") << QStringList{"unhandled 3 20"};
    QTest::newRow("unknown id") << bytes("820099") << QStringList{"unhandled 2 153"};
    QTest::newRow("short INF payload")
        << bytes("8200140090000100") << QStringList{"tooShort 82 00 14 00 90 00 01 00"};
    QTest::newRow("ERR without ERR fields") << bytes("c2006e") << QStringList{"productModel ERR 0 ERR 0"};
    QTest::newRow("ERR with failed INF payload")
        << bytes("c2006e04020000000007") << QStringList{"productModel ERR 4 INF 7"};
    QTest::newRow("empty INF product model") << bytes("82006e") << QStringList{"tooShort 82 00 6e"};
}

void TestControlCentre::dispatch() {
    QFETCH(QByteArray, input);
    QFETCH(QStringList, expected);

    ControlCentre centre;
    RecordingSink sink;
    centre.setErrorSink(&sink);
    centre.setHandler<ProductTypeCommand>([&](std::unique_ptr<ProductTypeCommand>&& command) {
        sink.events << QStringLiteral("productType %1 %2")
                           .arg(QLatin1String(mode_to_string(command->mode)))
                           .arg(command->productType);
    });
    centre.setHandler<ProductModelCommand>([&](std::unique_ptr<ProductModelCommand>&& command) {
        sink.events << QStringLiteral("productModel %1 %2 %3 %4")
                           .arg(QLatin1String(mode_to_string(command->mode)))
                           .arg(command->errorCode)
                           .arg(QLatin1String(mode_to_string(command->failedMode)))
                           .arg(command->productModel);
    });
    centre.setHandler<Group5Command>([&](std::unique_ptr<Group5Command>&& command) {
        sink.events << QStringLiteral("group5 %1").arg(QLatin1String(mode_to_string(command->mode)));
    });

    handle(centre, input);
    QCOMPARE(sink.events, expected);
}

void TestControlCentre::interceptorAndFallback() {
    ControlCentre centre;
    RecordingSink sink;
    centre.setErrorSink(&sink);
    int handled = 0;
    centre.setHandler<ProductTypeCommand>([&](std::unique_ptr<ProductTypeCommand>&&) { ++handled; });

    QStringList seen;
    centre.setInterceptor(
        [&](Mode mode, Group group, std::uint16_t id, const std::uint8_t*, std::size_t length) {
            seen << QStringLiteral("intercept %1 %2 %3 %4")
                        .arg(QLatin1String(mode_to_string(mode)))
                        .arg(group)
                        .arg(id)
                        .arg(length);
            return id == 1;
        });
    centre.setFallback(
        [&](Mode, Group group, std::uint16_t id, const std::uint8_t* payload, std::size_t length) {
            seen << QStringLiteral("fallback %1 %2 %3").arg(group).arg(id).arg(length == 1 ? payload[0] : -1);
        });

    handle(centre, bytes("820001"));             // consumed by the interceptor
    handle(centre, bytes("820014009000010002")); // declined, reaches the handler
    handle(centre, bytes("42000209"));           // no handler: the fallback, not the sink

    QCOMPARE(seen, (QStringList{"intercept INF 2 1 0", "intercept INF 2 20 6", "intercept SET 2 2 1",
                                "fallback 2 2 9"}));
    QCOMPARE(handled, 1);
    QVERIFY(sink.events.isEmpty());
}

void TestControlCentre::replacingHandler() {
    ControlCentre centre;
    RecordingSink sink;
    centre.setErrorSink(&sink);
    int first = 0;
    int second = 0;
    centre.setHandler<ProductTypeCommand>([&](std::unique_ptr<ProductTypeCommand>&&) { ++first; });
    centre.setHandler<ProductTypeCommand>([&](std::unique_ptr<ProductTypeCommand>&&) { ++second; });
    QCOMPARE(sink.events, QStringList{"replaced 2 20"});

    handle(centre, bytes("820014009000010002"));
    QCOMPARE(first, 0);
    QCOMPARE(second, 1);
}

void TestControlCentre::clearHandler() {
    ControlCentre centre;
    RecordingSink sink;
    centre.setErrorSink(&sink);
    centre.setHandler<ProductTypeCommand>([&](std::unique_ptr<ProductTypeCommand>&&) { QFAIL("cleared"); });

    QVERIFY(!centre.clearHandler(3, ProductTypeCommand::ID));
    QVERIFY(!centre.clearHandler(9, ProductTypeCommand::ID));
    QVERIFY(centre.clearHandler(2, ProductTypeCommand::ID));
    QVERIFY(!centre.clearHandler(2, ProductTypeCommand::ID));

    handle(centre, bytes("820014009000010002"));
    QCOMPARE(sink.events, QStringList{"unhandled 2 20"});
}

void TestControlCentre::emptyHandlerThrows() {
    ControlCentre centre;
    try {
        centre.setHandler<ProductTypeCommand>({});
        QFAIL("no exception");
    } catch (const std::invalid_argument& error) {
        QCOMPARE(QByteArray(error.what()), QByteArray("Handler functor can not be null"));
    }
}

// A reply handler may start an agent that registers a handler for the same command on the same
// control centre. The running function object must survive that; its captures are read after
// the replacement so that a freed object would show (the sanitizer build reports it).
void TestControlCentre::handlerReplacesItselfWhileRunning() {
    ControlCentre centre;
    QStringList calls;
    const std::string capturedText(64, 'x');
    centre.setHandler<ProductTypeCommand>([&, capturedText](std::unique_ptr<ProductTypeCommand>&& command) {
        centre.setHandler<ProductTypeCommand>([&](std::unique_ptr<ProductTypeCommand>&& next) {
            calls << QStringLiteral("second %1").arg(next->productType);
        });
        calls << QStringLiteral("first %1 %2").arg(command->productType).arg(capturedText.size());
        calls << QString::fromStdString(capturedText.substr(0, 3));
    });

    handle(centre, bytes("820014009000010002"));
    handle(centre, bytes("820014009100010002"));
    QCOMPARE(calls, (QStringList{"first 144 64", "xxx", "second 145"}));
}

void TestControlCentre::handlerClearsItselfWhileRunning() {
    ControlCentre centre;
    RecordingSink sink;
    centre.setErrorSink(&sink);
    int calls = 0;
    const std::string capturedText(64, 'y');
    centre.setHandler<ProductTypeCommand>([&, capturedText](std::unique_ptr<ProductTypeCommand>&&) {
        QVERIFY(centre.clearHandler(ProductTypeCommand::GROUP, ProductTypeCommand::ID));
        calls += int(capturedText.size());
    });

    handle(centre, bytes("820014009000010002"));
    handle(centre, bytes("820014009000010002"));
    QCOMPARE(calls, 64);
    QCOMPARE(sink.events, QStringList{"unhandled 2 20"});
}

void TestControlCentre::modeNames_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("0") << 0 << QByteArray("GET");
    QTest::newRow("1") << 1 << QByteArray("SET");
    QTest::newRow("2") << 2 << QByteArray("INF");
    QTest::newRow("3") << 3 << QByteArray("ERR");
    QTest::newRow("4") << 4 << QByteArray("?INVALID_CONTROL_MODE?");
    QTest::newRow("255") << 255 << QByteArray("?INVALID_CONTROL_MODE?");
}

void TestControlCentre::modeNames() {
    QFETCH(int, mode);
    QFETCH(QByteArray, name);
    QCOMPARE(QByteArray(mode_to_string(static_cast<Mode>(mode))), name);
}

void TestControlCentre::errorCodeNames_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("name");
    const char* names[] = {"NONE",
                           "UNKNOWN_FRAME_TYPE",
                           "PARAMETER",
                           "LENGTH",
                           "UNAUTHORISED",
                           "NOT_OPEN",
                           "TX",
                           "TIMEOUT",
                           "FAILED",
                           "UNHANDLED",
                           "UNSUPPORTED_OPERATION"};
    for (int code = 0; code <= 10; ++code) {
        QTest::addRow("%d", code) << code << QByteArray(names[code]);
    }
    QTest::newRow("11") << 11 << QByteArray("?INVALID_MUPPET_ERROR?");
    QTest::newRow("255") << 255 << QByteArray("?INVALID_MUPPET_ERROR?");
}

void TestControlCentre::errorCodeNames() {
    QFETCH(int, code);
    QFETCH(QByteArray, name);
    QCOMPARE(QByteArray(error_code_name(static_cast<std::uint8_t>(code))), name);
}

QTEST_GUILESS_MAIN(TestControlCentre)
#include "tst_control_centre.moc"
