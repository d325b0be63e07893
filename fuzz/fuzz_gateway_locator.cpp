// Plays an MC_M2M gateway on a loopback port and answers the locator's connection with the input's
// lines, followed by an empty device list so that every call ends without waiting out its time-out.
// Every location the locator makes of the gateway's answer names that gateway's host and port.

#include "fuzz/fuzz_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include "fwup/communication/detector_location_string.h"
#include "fwup/communication/location_info.h"
#include "fwup/communication/mcm2m_api_detector_locator.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sys/socket.h>

namespace {

const QByteArray emptyList =
    QByteArrayLiteral(R"({"response":{"requestId":1,"resultCode":0,"result":{"devices":[]}}})"
                      "\n");

struct Harness {
    Harness() {
        if (!server.listen(QHostAddress::LocalHost)) {
            qFatal("cannot listen on a loopback port");
        }
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] { answer(); });
        locator.setMuppetCommanderServer(QHostAddress::LocalHost, server.serverPort());
        locator.setResponseTimeout(5000);
    }

    void answer() {
        peer.reset(server.nextPendingConnection());
        if (!peer) {
            return;
        }
        // Closed with a reset once the call is over: millions of calls would otherwise leave as many
        // loopback connections waiting out their TIME_WAIT.
        const linger abortive{1, 0};
        ::setsockopt(static_cast<int>(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abortive,
                     sizeof abortive);
        peer->write(lines);
    }

    QTcpServer server;
    std::unique_ptr<QTcpSocket> peer;
    fwup::MCM2MApiDetectorLocator locator;
    QByteArray lines;
};

Harness* harness = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzsupport::silenceLogging();
    static QCoreApplication application(*argc, *argv);
    static Harness instance;
    harness = &instance;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Harness& h = *harness;
    h.lines.clear();
    h.lines.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    h.lines.append('\n');
    h.lines.append(emptyList);

    QElapsedTimer call;
    call.start();
    const QStringList locations = h.locator.getConnectedDetectors();
    h.peer.reset();
    if (call.elapsed() >= 4000) {
        std::abort(); // the empty list at the end was not taken as the answer
    }
    if (h.server.hasPendingConnections()) {
        std::abort(); // one call, one connection
    }
    // The device's uuid text goes into the location unchanged, so the colons a malformed one ends in
    // run into the host field; but nothing the gateway sends may name another host or port.
    for (const QString& location : locations) {
        fwup::MuppetCommanderLocationInfo info;
        if (!fwup::try_split_detector_location_string(location, info)) {
            continue;
        }
        qsizetype colons = 0;
        while (colons < info.host.size() && info.host.at(colons) == QLatin1Char(':')) {
            ++colons;
        }
        if (QStringView(info.host).mid(colons) != QLatin1String("127.0.0.1") ||
            info.port != h.server.serverPort()) {
            std::abort();
        }
    }
    return 0;
}
