#pragma once

// Shared by the update-server tests: a Lodestar system identity, a Lodestar container to serve, a
// port nobody listens on, and expected log messages.

#include <QNetworkProxy>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>
#include <QUrl>

#include "fwup/identification/lodestar_system_identity.h"
#include "tests/fwup/firmware/firmware_test_support.h"

namespace updtest {

inline const QString SummitPro = QStringLiteral("SUMMIT PRO");

// Loopback traffic must not go to a proxy named by the environment.
inline void useNoProxy() {
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
}

// A Lodestar model 1 in its application, as identification reports it.
inline fwup::LodestarSystemIdentity lodestar(fwup::DetectorType type = fwup::DetectorType::LODESTAR_MODEL_1) {
    fwup::MbuComponentIdentity pod;
    pod.productType = 144;
    pod.detectorType = type;
    pod.serialNumber = QStringLiteral("LS0001");
    fwup::TamarindComponentIdentity tamarind;
    tamarind.detectorType = fwup::DetectorType::LODESTAR_JUNIPER;
    return fwup::LodestarSystemIdentity(tamarind, pod, type);
}

// A model 1 container carrying control-pod software `pod`.
inline QByteArray lodestarContainer(cvbtest::SoftwareVersion pod) {
    using namespace fwtest;
    MbuHeaderLayout podHeader;
    podHeader.version = pod;
    podHeader.hardwareFlags = 1;
    podHeader.requiredBtIcdRevision = 3;
    CpuAppHeaderLayout app;
    app.version = {2, 0, 0};
    app.hardwareFlags = 1;
    app.btIcdRevision = 3;
    app.pairingId = pairingId(1);
    CpuNetHeaderLayout net;
    net.pairingId = pairingId(1);
    const Bytes image = patternBytes(2000, 7);
    const Bytes bytes = buildContainer({{podBlock("LDSTCP01", PodSecret1, podHeader, image),
                                         cpuAppBlock(app, image), cpuNetBlock(net, image)},
                                        {}});
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

// The base URL of a loopback port that was free a moment ago and has no listener.
inline QUrl closedPortUrl() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(probe.serverPort()));
}

// Each entry is a level letter (D, I or W), a colon and the start of a message that must be logged.
inline void expectMessages(const QStringList& expected) {
    for (const QString& entry : expected) {
        const QtMsgType type = entry.startsWith(QLatin1Char('W'))   ? QtWarningMsg
                               : entry.startsWith(QLatin1Char('I')) ? QtInfoMsg
                                                                    : QtDebugMsg;
        QTest::ignoreMessage(type,
                             QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(entry.mid(2))));
    }
}

} // namespace updtest
