#include "fwup/coordination/update_server_reply.h"

#include <QDebug>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>

namespace fwup {

UpdateServerReply::UpdateServerReply(const QByteArray& body, const char* subject)
    : subject_(subject) {
    // The JSON runs from the first brace to the closing parenthesis, which is taken to be the last
    // character of the body.
    const qsizetype brace = body.indexOf('{');
    QString text = QString::fromUtf8(brace < 0 ? body : body.mid(brace));
    text.chop(1);

    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    parsed_ = error.error == QJsonParseError::NoError;
    errorString_ = error.errorString();
    object_ = document.object();
}

bool UpdateServerReply::present(const char* name) const {
    if (object_.contains(QLatin1String(name))) {
        return true;
    }
    qDebug() << subject_ << "does not contain" << name;
    return false;
}

void UpdateServerReply::logMalformed(const char* name) const {
    qDebug().nospace() << subject_ << "'s " << name << " malformed";
}

std::optional<QVariant> UpdateServerReply::convertible(const char* name, QMetaType type) const {
    if (!present(name)) {
        return std::nullopt;
    }
    // Whether the kinds convert, not whether this value does: "abc" passes for a number and reads as 0.
    const QVariant value = object_.value(QLatin1String(name)).toVariant();
    if (!value.canConvert(type)) {
        logMalformed(name);
        return std::nullopt;
    }
    return value;
}

std::optional<QString> UpdateServerReply::string(const char* name) const {
    if (!present(name)) {
        return std::nullopt;
    }
    const QJsonValue value = object_.value(QLatin1String(name));
    if (!value.isString()) {
        logMalformed(name);
        return std::nullopt;
    }
    return value.toString();
}

} // namespace fwup
