#include "fwup/communication/detector_location_string.h"

#include <QDebug>
#include <QRegularExpression>

namespace fwup {

namespace {

const QString kSeparator = QStringLiteral("::");

QStringList splitFields(const QString& location) {
    return location.split(kSeparator, Qt::KeepEmptyParts);
}

bool toHexId(const QString& text, quint16& value) {
    bool ok = false;
    value = text.toUShort(&ok, 16);
    return ok;
}

bool toDecimalPort(const QString& text, quint16& value) {
    bool ok = false;
    value = text.toUShort(&ok, 10);
    return ok;
}

// The vendor and product id fields of HID and SRL strings.
bool splitIds(const QStringList& fields, quint16& vendorId, quint16& productId) {
    if (!toHexId(fields.at(1), vendorId)) {
        qDebug() << "Cannot convert VID string to quint16.";
        return false;
    }
    if (!toHexId(fields.at(2), productId)) {
        qDebug() << "Cannot convert PID string to quint16.";
        return false;
    }
    return true;
}

bool matches(const QString& pattern, const QString& text) {
    const QRegularExpression expression(pattern, QRegularExpression::CaseInsensitiveOption);
    return expression.match(text).hasMatch();
}

} // namespace

bool try_split_detector_location_string(const QString& location, HidLocationInfo& info) {
    const QStringList fields = splitFields(location);
    if (fields.at(0) != QLatin1String("HID")) {
        return false;
    }
    if (fields.size() != 4) {
        qDebug() << "HID detector location information is Invalid";
        return false;
    }
    if (!splitIds(fields, info.vendorId, info.productId)) {
        return false;
    }
    info.path = fields.at(3);
    return true;
}

bool try_split_detector_location_string(const QString& location, SerialLocationInfo& info) {
    const QStringList fields = splitFields(location);
    if (fields.at(0) != QLatin1String("SRL")) {
        return false;
    }
    if (fields.size() != 5) {
        qDebug() << "Serial detector location information is Invalid";
        return false;
    }
    if (!splitIds(fields, info.vendorId, info.productId)) {
        return false;
    }
    info.portName = fields.at(3);
    info.systemLocation = fields.at(4);
    return true;
}

bool try_split_detector_location_string(const QString& location, TcpLocationInfo& info) {
    const QStringList fields = splitFields(location);
    if (fields.at(0) != QLatin1String("TCP_CLIENT")) {
        return false;
    }
    if (fields.size() != 3) {
        qDebug() << "TCP location information is Invalid";
        return false;
    }
    const QString& address = fields.at(1);
    if (address.isEmpty()) {
        qDebug() << "No address is provided!";
        return false;
    }
    if (!matches(QStringLiteral("^(([01]?[0-9]?[0-9]|2[0-4][0-9]|25[0-5])\\.){3}"
                                "([01]?[0-9]?[0-9]|2[0-4][0-9]|25[0-5])$"),
                 address)) {
        qDebug() << "Bad address supplied";
        return false;
    }
    if (!toDecimalPort(fields.at(2), info.port)) {
        qDebug() << "Cannot convert Port string to quint16";
        return false;
    }
    info.address = QHostAddress(address);
    return true;
}

bool try_split_detector_location_string(const QString& location, MuppetCommanderLocationInfo& info) {
    const QStringList fields = splitFields(location);
    // The count is checked before the kind, so this parser speaks up for strings of any kind.
    if (fields.size() != 4) {
        qDebug() << "MC_M2M detector location information is Invalid";
        return false;
    }
    if (fields.at(0) != QLatin1String("MC_M2M")) {
        return false;
    }
    const QUuid uuid = QUuid::fromString(fields.at(1));
    if (uuid.isNull()) {
        qDebug() << "Invalid device UUID string.";
        return false;
    }
    info.deviceUuid = uuid;
    info.host = fields.at(2);
    if (!toDecimalPort(fields.at(3), info.port)) {
        qDebug() << "Cannot convert port number string to quint16.";
        return false;
    }
    return true;
}

bool try_split_detector_location_string(const QString& location, TunnelInfo& info) {
    QStringList fields = splitFields(location);
    if (fields.at(0) != QLatin1String("TNLV3")) {
        return false;
    }
    if (fields.size() < 4) {
        qDebug() << "Tunnel location information is Invalid";
        return false;
    }
    if (!toDecimalPort(fields.at(1), info.tunnelPort)) {
        qDebug() << "Invalid tunnel port information provided!";
        return false;
    }
    const QString& facet = fields.at(2);
    if (facet == QLatin1String("IN")) {
        info.facet = TunnelInfo::IN;
    } else if (facet == QLatin1String("OUT")) {
        info.facet = TunnelInfo::OUT;
    } else {
        qDebug() << "Invalid facet information" << facet;
        return false;
    }
    if (!toDecimalPort(fields.at(3), info.forwardingPort)) {
        qDebug() << "Invalid forwarding port information provided!";
        return false;
    }
    fields.erase(fields.begin(), fields.begin() + 4);
    info.innerLocation = fields.join(kSeparator);
    return !info.innerLocation.isEmpty();
}

namespace msd {

QStringList split_and_validate_detector_location_string(const QString& location) {
    const QStringList fields = splitFields(location);
    if (fields.size() != 3) {
        qDebug() << "Detector information not valid";
        return {};
    }
    if (fields.at(0) != QLatin1String("CVX")) {
        qDebug() << "This is not a valid CVX detector!";
        return {};
    }
    if (!matches(QStringLiteral("^/[^:]*$"), fields.at(1))) {
        qDebug() << "Path to CVX file is not valid:" << fields.at(1);
        return {};
    }
    if (!fields.at(2).endsWith(QLatin1String(".CVX"), Qt::CaseSensitive)) {
        qDebug() << "File is not a '.CVX' file:" << fields.at(2);
        return {};
    }
    return fields;
}

} // namespace msd

namespace hid {

QStringList split_and_validate_detector_location_string(const QString& location) {
    const QStringList fields = splitFields(location);
    if (fields.size() != 4) {
        qDebug() << "HID detector location information is Invalid";
        return {};
    }
    if (fields.at(0) != QLatin1String("HID")) {
        qDebug() << "This is not a valid HID detector!";
        return {};
    }
    if (!matches(QStringLiteral("^0x[0-9A-F]{4}$"), fields.at(1))) {
        qDebug() << "VID is not valid for this detector";
        return {};
    }
    if (!matches(QStringLiteral("^0x[0-9A-F]{4}$"), fields.at(2))) {
        qDebug() << "PID is not valid for this detector";
        return {};
    }
    if (!matches(QStringLiteral("^USB_[0-9A-F]{4}_[0-9A-F]{4}_[0-9A-F]{8}$"), fields.at(3))) {
        qDebug() << "Platform-specific device path is not valid!";
        return {};
    }
    return fields;
}

} // namespace hid

} // namespace fwup
