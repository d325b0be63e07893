#include "fwup/communication/mcm2m_api_codec.h"

#include "muppet/buffer.h"
#include "muppet/frame_portal.h"
#include "muppet/notifier.h"

#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>
#include <cstring>
#include <optional>

namespace fwup {

namespace {

constexpr std::uint32_t kCodecCategory = 2;
constexpr std::uint32_t kNoRoom = 1;
constexpr std::uint32_t kUnusableLine = 6;
// Far beyond any line a gateway sends; a peer that never ends its line cannot make us hold more.
constexpr std::size_t kMaximumLineLength = 64 * 1024;

QString uuidText(const QUuid& uuid) {
    return uuid.toString(QUuid::WithBraces);
}

QByteArray requestLine(const QString& name, const QJsonObject& parameters, std::uint32_t id) {
    const QJsonObject request{
        {QStringLiteral("name"), name},
        {QStringLiteral("parameters"), parameters},
        {QStringLiteral("id"), static_cast<qint64>(id)},
    };
    return QJsonDocument(QJsonObject{{QStringLiteral("request"), request}}).toJson(QJsonDocument::Compact) +
           '\n';
}

bool append(cvsw::muppet::Notifier& notifier, cvsw::muppet::Buffer& out, const char* bytes,
            std::size_t size) {
    if (size > out.freeSpace()) {
        return false;
    }
    std::uint8_t* slot = out.prepare(notifier, size);
    if (slot == nullptr) {
        return false;
    }
    if (size > 0) {
        std::memcpy(slot, bytes, size);
    }
    out.commit(notifier, size);
    return true;
}

} // namespace

struct MCM2MAPICodec::Private {
    enum State : std::uint32_t {
        CONNECT_NOT_REQUESTED = 1,
        CONNECT_REQUESTED = 2,
        CONNECT_ACCEPTED = 3,
        CONNECT_REFUSED = 4,
    };

    explicit Private(const QUuid& deviceUuid)
        : device(deviceUuid) {}

    std::uint32_t nextRequestId();
    // The connect request, once, before the first frame.
    std::optional<QByteArray> supplyOutboundFrame();
    // Follows the gateway's answer to the connect request.
    void handleInboundFrame(const QJsonObject& object);
    void handleLine(cvsw::muppet::Notifier& notifier, const QByteArray& line,
                    cvsw::muppet::FramePortal& portal);

    std::uint32_t state = CONNECT_NOT_REQUESTED;
    std::uint32_t lastRequestId = 0;
    // The connect request goes out in the same encode as the first frame, so by the time its answer
    // arrives the last id is a frame's; the answer is matched against this one.
    std::uint32_t connectRequestId = 0;
    QUuid device;
    // How much of the pending line in the output buffer is known to hold no line feed, so that each
    // read scans only what it brought.
    const cvsw::muppet::Buffer* scannedBuffer = nullptr;
    std::size_t scanned = 0;
    // An over-long line was dropped; its rest is skipped up to the next line feed.
    bool skippingLine = false;
};

std::uint32_t MCM2MAPICodec::Private::nextRequestId() {
    qDebug() << "nextRequestId() before: " << lastRequestId;
    return ++lastRequestId;
}

std::optional<QByteArray> MCM2MAPICodec::Private::supplyOutboundFrame() {
    if (state != CONNECT_NOT_REQUESTED) {
        return std::nullopt;
    }
    state = CONNECT_REQUESTED;
    connectRequestId = nextRequestId();
    return requestLine(QStringLiteral("connectToDevice"),
                       QJsonObject{{QStringLiteral("uuid"), uuidText(device)}}, connectRequestId);
}

void MCM2MAPICodec::Private::handleInboundFrame(const QJsonObject& object) {
    // Only the answer to an outstanding connect request is of interest.
    if (state != CONNECT_REQUESTED) {
        return;
    }
    const QJsonValue responseValue = object.value(QLatin1String("response"));
    if (!responseValue.isObject()) {
        qDebug() << "Not a response object.";
        return;
    }
    const QJsonObject response = responseValue.toObject();
    const QJsonValue name = response.value(QLatin1String("name"));
    if (!name.isString()) {
        qDebug() << "Response lacks a name.";
        return;
    }
    if (name.toString() != QLatin1String("connectToDevice")) {
        qDebug() << "Not a known request name: " << name.toString();
        return;
    }
    const qint64 requestId = response.value(QLatin1String("requestId")).toInteger(-1);
    if (requestId != static_cast<qint64>(connectRequestId)) {
        qDebug() << "Response not for expected request ID " << requestId
                 << ", expected: " << connectRequestId;
        return;
    }
    const QJsonValue deviceUuid = response.value(QLatin1String("deviceUuid"));
    if (!deviceUuid.isString()) {
        qDebug() << "Response lacks a deviceUuid.";
        return;
    }
    if (QUuid::fromString(deviceUuid.toString()) != device) {
        qDebug() << "Device UUID does not match expected value.";
        return;
    }
    const QJsonValue resultCode = response.value(QLatin1String("resultCode"));
    if (!resultCode.isDouble()) {
        qDebug() << "Response lacks a resultCode";
        return;
    }
    if (resultCode.toDouble() == 0) {
        state = CONNECT_ACCEPTED;
    } else {
        qDebug() << "Response resultCode is non-zero: " << resultCode.toDouble();
        state = CONNECT_REFUSED;
    }
}

void MCM2MAPICodec::Private::handleLine(cvsw::muppet::Notifier& notifier, const QByteArray& line,
                                        cvsw::muppet::FramePortal& portal) {
    const QString text = QString::fromUtf8(line);
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        qDebug() << "Received command not valid JSON: " << text;
        notifier.notify(kCodecCategory, kUnusableLine);
        return;
    }
    const QJsonObject object = document.object();
    handleInboundFrame(object);

    const QJsonObject response = object.value(QLatin1String("response")).toObject();
    if (response.value(QLatin1String("name")).toString() == QLatin1String("sendFrameToDevice") &&
        response.value(QLatin1String("requestId")).toInteger(-1) != static_cast<qint64>(lastRequestId)) {
        qDebug() << "Unexpected response requestId.";
        return;
    }

    const QJsonValue notificationValue = object.value(QLatin1String("notification"));
    if (!notificationValue.isObject()) {
        qDebug() << "Not a notification: " << text;
        return;
    }
    const QJsonObject notification = notificationValue.toObject();
    if (notification.value(QLatin1String("name")).toString() != QLatin1String("rxFrame")) {
        qDebug() << "Unexpected notification:" << text;
        return;
    }

    const auto unusable = [&](const char* message) {
        qDebug() << message << text;
        notifier.notify(kCodecCategory, kUnusableLine);
    };
    const QJsonValue deviceUuid = notification.value(QLatin1String("deviceUuid"));
    if (!deviceUuid.isString()) {
        return unusable("No uuid string provided: ");
    }
    const QJsonValue frameValue = notification.value(QLatin1String("frame"));
    if (!frameValue.isObject()) {
        return unusable("No frame object provided: ");
    }
    const QJsonObject frame = frameValue.toObject();
    const QJsonValue frameType = frame.value(QLatin1String("frameType"));
    if (!frameType.isDouble()) {
        return unusable("No frametype provided: ");
    }
    const QJsonValue payloadText = frame.value(QLatin1String("payload"));
    if (!payloadText.isString()) {
        return unusable("No payload string provided: ");
    }

    if (QUuid::fromString(deviceUuid.toString()) != device) {
        qDebug() << "Device UUID mis-match: " << text;
        return;
    }
    const QByteArray encoded = payloadText.toString().toLatin1();
    const QByteArray payload = QByteArray::fromBase64(encoded);
    if (!encoded.isEmpty() && payload.isEmpty()) {
        qDebug() << "Malformed frame - no payload";
        notifier.notify(kCodecCategory, kUnusableLine);
        return;
    }

    qDebug() << "Passing to inbound frame portal: " << payload << "payloadSize: " << payload.size();
    const auto type = static_cast<std::uint8_t>(frameType.toInteger() & 0xFF);
    portal.receiveFrame(notifier, type, reinterpret_cast<const std::uint8_t*>(payload.constData()),
                        static_cast<std::size_t>(payload.size()));
}

MCM2MAPICodec::MCM2MAPICodec(const QUuid& device)
    : d(std::make_unique<Private>(device)) {
}

MCM2MAPICodec::~MCM2MAPICodec() = default;

void MCM2MAPICodec::decode(cvsw::muppet::Notifier& notifier, const cvsw::muppet::Buffer& in,
                           cvsw::muppet::Buffer& out, cvsw::muppet::FramePortal& portal) {
    const auto* input = reinterpret_cast<const char*>(in.data());
    const auto* inputEnd = input + in.size();
    if (d->skippingLine) {
        const auto* lineFeed = std::find(input, inputEnd, '\n');
        if (lineFeed == inputEnd) {
            return;
        }
        d->skippingLine = false;
        input = lineFeed + 1;
    }
    if (!append(notifier, out, input, static_cast<std::size_t>(inputEnd - input))) {
        notifier.notify(kCodecCategory, kNoRoom);
        return;
    }

    for (;;) {
        // Another buffer, or one emptied meanwhile by a nested call, has not been scanned.
        if (d->scannedBuffer != &out || d->scanned > out.size()) {
            d->scanned = 0;
        }
        const auto* begin = reinterpret_cast<const char*>(out.data());
        const auto* end = begin + out.size();
        const auto* lineFeed = std::find(begin + d->scanned, end, '\n');
        const auto length = static_cast<std::size_t>(lineFeed - begin);
        if (length > kMaximumLineLength) {
            qWarning() << "Dropped a gateway line longer than" << kMaximumLineLength << "bytes";
            notifier.notify(kCodecCategory, kUnusableLine);
            d->skippingLine = lineFeed == end;
            out.consume(notifier, lineFeed == end ? length : length + 1);
            d->scanned = 0;
            continue;
        }
        if (lineFeed == end) {
            d->scannedBuffer = &out;
            d->scanned = length;
            return;
        }
        // Taken off the buffer before it is handled: delivering a frame may service the connection,
        // and with it this decoder, again.
        const QByteArray line(begin, static_cast<qsizetype>(length));
        out.consume(notifier, length + 1);
        d->scanned = 0;
        d->handleLine(notifier, line, portal);
    }
}

void MCM2MAPICodec::encode(cvsw::muppet::Notifier& notifier, std::uint8_t frameType,
                           const cvsw::muppet::Buffer& payload, cvsw::muppet::Buffer& out) {
    if (const auto connectLine = d->supplyOutboundFrame()) {
        append(notifier, out, connectLine->constData(), static_cast<std::size_t>(connectLine->size()));
    }

    const QByteArray payloadBytes(reinterpret_cast<const char*>(payload.data()),
                                  static_cast<qsizetype>(payload.size()));
    const QJsonObject parameters{
        {QStringLiteral("frameType"), static_cast<int>(frameType)},
        {QStringLiteral("payload"), QString::fromLatin1(payloadBytes.toBase64())},
        {QStringLiteral("uuid"), uuidText(d->device)},
    };
    const QByteArray line = requestLine(QStringLiteral("sendFrameToDevice"), parameters, d->nextRequestId());
    if (append(notifier, out, line.constData(), static_cast<std::size_t>(line.size()))) {
        qDebug() << QString::fromUtf8(line.trimmed());
    }
}

} // namespace fwup
