#pragma once

#include <QHostAddress>
#include <QString>
#include <QUuid>
#include <QtGlobal>

namespace fwup {

// The fields of the location strings, one record per kind (see detector_location_string.h).

// HID::vid::pid::path
struct HidLocationInfo {
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString path;
};

// SRL::vid::pid::portName::systemLocation
struct SerialLocationInfo {
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString portName;
    QString systemLocation;
};

// TCP_CLIENT::address::port
struct TcpLocationInfo {
    quint16 port = 0;
    QHostAddress address;
};

// MC_M2M::uuid::host::port
struct MuppetCommanderLocationInfo {
    quint16 port = 0;
    QString host;
    QUuid deviceUuid;
};

// TNLV3::tunnelPort::facet::forwardingPort::inner location
struct TunnelInfo {
    enum Facet : quint8 {
        IN = 0,
        OUT = 1,
    };

    quint16 tunnelPort = 0;
    quint16 forwardingPort = 0;
    quint8 facet = IN;
    QString innerLocation;
};

} // namespace fwup
