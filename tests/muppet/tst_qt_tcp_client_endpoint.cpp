#include "muppet/basic_std_vector_buffer.h"
#include "muppet/qt_tcp_client_endpoint.h"
#include "tests/support/framing/codec_harness.h"

#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using cuu::test::bufferOf;
using cuu::test::bytesOf;
using cuu::test::RecordingNotifier;
using cuu::test::Report;
using cvsw::muppet::BasicStdVectorBuffer;
using cvsw::muppet::QtTcpClientEndpoint;

class TestQtTcpClientEndpoint : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void movesBytesBothWays();
    void bytesWrittenWhileConnectingAreSent();
    void failedWriteClosesTheSocketForGood();
    void repeatedConnectionSignalsAreReported_data();
    void repeatedConnectionSignalsAreReported();

private:
    // The server's end of the one connection made in a test.
    QTcpSocket* accept();

    std::unique_ptr<QTcpServer> server_;
    QPointer<QTcpSocket> peer_;
};

void TestQtTcpClientEndpoint::init() {
    server_ = std::make_unique<QTcpServer>();
    QVERIFY(server_->listen(QHostAddress::LocalHost));
}

void TestQtTcpClientEndpoint::cleanup() {
    server_.reset();
}

QTcpSocket* TestQtTcpClientEndpoint::accept() {
    if (!server_->hasPendingConnections() && !server_->waitForNewConnection(5000)) {
        return nullptr;
    }
    peer_ = server_->nextPendingConnection();
    return peer_;
}

void TestQtTcpClientEndpoint::movesBytesBothWays() {
    QtTcpClientEndpoint endpoint;
    QSignalSpy readyRead(&endpoint, &QtTcpClientEndpoint::readyRead);
    endpoint.socket().connectToHost(QHostAddress::LocalHost, server_->serverPort());
    QTRY_VERIFY(endpoint.isConnected());
    QTcpSocket* peer = accept();
    QVERIFY(peer != nullptr);

    RecordingNotifier notifier;
    BasicStdVectorBuffer tx = bufferOf("to the device");
    endpoint.write(notifier, tx);
    QCOMPARE(tx.size(), std::size_t{0});
    QByteArray arrived;
    QTRY_COMPARE((arrived += peer->readAll()), QByteArray("to the device"));

    peer->write("from the device");
    BasicStdVectorBuffer rx;
    QTRY_COMPARE((endpoint.read(notifier, rx), bytesOf(rx)), QByteArray("from the device"));
    QVERIFY(readyRead.count() >= 1);
    QCOMPARE(notifier.reports, QList<Report>());
}

void TestQtTcpClientEndpoint::bytesWrittenWhileConnectingAreSent() {
    QtTcpClientEndpoint endpoint;
    endpoint.socket().connectToHost(QHostAddress::LocalHost, server_->serverPort());
    QVERIFY(!endpoint.isConnected());

    RecordingNotifier notifier;
    BasicStdVectorBuffer tx = bufferOf("early");
    endpoint.write(notifier, tx);
    QCOMPARE(tx.size(), std::size_t{0});

    QTcpSocket* peer = accept();
    QVERIFY(peer != nullptr);
    QByteArray arrived;
    QTRY_COMPARE((arrived += peer->readAll()), QByteArray("early"));
}

void TestQtTcpClientEndpoint::failedWriteClosesTheSocketForGood() {
    QtTcpClientEndpoint endpoint;
    endpoint.socket().connectToHost(QHostAddress::LocalHost, server_->serverPort());
    QTRY_VERIFY(endpoint.isConnected());
    QVERIFY(accept() != nullptr);
    peer_->close();
    QTRY_VERIFY(!endpoint.isConnected());

    // The remote end has gone: the socket refuses the first write, is closed by the failure
    // handling, and every later write fails again on the closed device.
    RecordingNotifier notifier;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt > 0) {
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression(QStringLiteral("QIODevice::write.*not open")));
        }
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression(QStringLiteral("Server IO failed: .*\\. Closing\\.$")));
        BasicStdVectorBuffer tx = bufferOf("lost");
        endpoint.write(notifier, tx);
        QCOMPARE(tx.size(), std::size_t{0});
    }
    BasicStdVectorBuffer rx;
    endpoint.read(notifier, rx);
    QCOMPARE(rx.size(), std::size_t{0});
    QCOMPARE(notifier.reports, QList<Report>());
}

void TestQtTcpClientEndpoint::repeatedConnectionSignalsAreReported_data() {
    QTest::addColumn<bool>("connectedSignal");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("flagAfter");
    QTest::newRow("second connected") << true << QStringLiteral("Double connection?") << true;
    QTest::newRow("second disconnected") << false << QStringLiteral("Double disconnection?") << false;
}

void TestQtTcpClientEndpoint::repeatedConnectionSignalsAreReported() {
    QFETCH(bool, connectedSignal);
    QFETCH(QString, message);
    QFETCH(bool, flagAfter);

    QtTcpClientEndpoint endpoint;
    QTcpSocket& socket = endpoint.socket();
    const auto emitTwice = [&] {
        for (int i = 0; i < 2; ++i) {
            if (connectedSignal) {
                emit socket.connected();
            } else {
                emit socket.disconnected();
            }
        }
    };
    // The disconnected case starts connected, so only its second signal is a repeat.
    if (!connectedSignal) {
        emit socket.connected();
    }
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QRegularExpression::escape(message) + QStringLiteral("$")));
    emitTwice();
    QCOMPARE(endpoint.isConnected(), flagAfter);
}

QTEST_GUILESS_MAIN(TestQtTcpClientEndpoint)
#include "tst_qt_tcp_client_endpoint.moc"
