#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QMetaType>
#include <QString>
#include <QVariant>

#include <optional>

namespace fwup {

// One JSONP reply of the update server ("x(" + JSON object + ")"), and the checked reading of its
// members, which logs each missing or malformed one.
class UpdateServerReply {
public:
    // `subject` names the reply in the member messages, e.g. "Update query response".
    UpdateServerReply(const QByteArray& body, const char* subject);

    // False when the text inside the callback is not JSON; errorString() then says why.
    bool parsed() const { return parsed_; }
    QString errorString() const { return errorString_; }
    const QJsonObject& object() const { return object_; }

    // The member as a variant that converts to `type`; empty when it is missing or does not convert.
    std::optional<QVariant> convertible(const char* name, QMetaType type) const;
    // The member when it is a JSON string; empty when it is missing or is not one.
    std::optional<QString> string(const char* name) const;

private:
    bool present(const char* name) const;
    void logMalformed(const char* name) const;

    const char* subject_;
    bool parsed_ = false;
    QString errorString_;
    QJsonObject object_;
};

} // namespace fwup
