#include "fwup/identification/detector_record_file.h"

#include "fwup/identification/detector_record_file_p.h"
#include "fwup/identification/move_unreadable_file_aside.h"

#include <QDebug>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QSaveFile>

#include <optional>

namespace fwup {

namespace {

const QLatin1String serialNumberKey("serialNumber");
const QLatin1String detectorTypeKey("detectorType");
const QLatin1String userVerificationCodeKey("userVerificationCode");

} // namespace

namespace detail {

std::optional<QJsonArray> readRecordArray(const QString& recordFilePath) {
    QFile file(recordFilePath);
    if (!file.exists()) {
        return QJsonArray();
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    file.close();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(content, &error);
    // A damaged record still holds the other detectors' entries: keep it before a fresh one replaces it.
    if (error.error != QJsonParseError::NoError && !move_unreadable_file_aside(recordFilePath)) {
        return std::nullopt;
    }
    return document.array();
}

bool writeRecordArray(const QString& recordFilePath, const QJsonArray& records) {
    QSaveFile file(recordFilePath);
    const QByteArray text = QJsonDocument(records).toJson(QJsonDocument::Indented);
    // The explicit flush: a short write while flushing on commit would go unnoticed and put a
    // truncated record in place.
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.flush() ||
        !file.commit()) {
        qWarning() << "Cannot write record file" << recordFilePath << file.errorString();
        return false;
    }
    return true;
}

} // namespace detail

QString find_detector_name_by_serial_number(const QString& recordFilePath, const QString& serialNumber) {
    QFile file(recordFilePath);
    if (!file.exists()) {
        qDebug() << "File" << recordFilePath << "does not exist";
        return {};
    }
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "No read access to file " << recordFilePath;
        return {};
    }
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    file.close();

    if (!document.isArray()) {
        qDebug() << "Invalid record file format";
    }
    const QJsonArray records = document.array();
    for (const QJsonValue& record : records) {
        if (!record.isObject()) {
            qDebug() << "Invalid record file format";
        }
        const QJsonObject entry = record.toObject();
        if (entry.value(serialNumberKey).toString() == serialNumber) {
            return entry.value(detectorTypeKey).toString();
        }
    }
    return {};
}

void update_detector_serial_number_and_name(const QString& recordFilePath, const QString& serialNumber,
                                            const QString& userVerificationCode,
                                            const QString& detectorName) {
    std::optional<QJsonArray> records = detail::readRecordArray(recordFilePath);
    if (!records) {
        qWarning() << "Cannot read record file" << recordFilePath << "- leaving it unchanged";
        return;
    }

    const QJsonValue wanted(serialNumber);
    bool found = false;
    for (qsizetype i = 0; i < records->size(); ++i) {
        QJsonObject entry = records->at(i).toObject();
        if (entry.value(serialNumberKey) == wanted) {
            entry.insert(detectorTypeKey, detectorName);
            entry.insert(userVerificationCodeKey, userVerificationCode);
            records->replace(i, entry);
            found = true;
            break;
        }
    }
    if (!found) {
        records->append(QJsonObject{{serialNumberKey, serialNumber},
                                    {detectorTypeKey, detectorName},
                                    {userVerificationCodeKey, userVerificationCode}});
    }

    detail::writeRecordArray(recordFilePath, *records);
}

bool is_detector_type_speculative(const QString& name) {
    return name.isEmpty() || name.contains(QLatin1String("speculative"));
}

} // namespace fwup
