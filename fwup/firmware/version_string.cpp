#include "fwup/firmware/version_string.h"

#include <QDebug>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <optional>

namespace fwup {

namespace {

// A run of ASCII digits as a number, or nothing when it is not one; any value above 255, however
// many digits it has, is out of range.
enum class PartResult { Ok, NotANumber, OutOfRange };

PartResult parsePart(const QString& part, std::uint8_t& value) {
    if (part.isEmpty()) {
        return PartResult::NotANumber;
    }
    unsigned number = 0;
    bool large = false;
    for (const QChar c : part) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return PartResult::NotANumber;
        }
        if (!large) {
            number = number * 10 + static_cast<unsigned>(c.unicode() - '0');
            large = number > 255;
        }
    }
    if (large) {
        return PartResult::OutOfRange;
    }
    value = static_cast<std::uint8_t>(number);
    return PartResult::Ok;
}

} // namespace

Version parse_version_string(const QString& text) {
    if (text.isEmpty()) {
        return {};
    }
    static const QRegularExpression hyphen(QStringLiteral("\\-"));
    static const QRegularExpression shape(QStringLiteral("^(\\d+).(\\d+).(\\d+)$"));
    static const QRegularExpression dot(QStringLiteral("\\."));

    // The version proper, then at most one suffix such as a pre-release tag, which is ignored.
    const QStringList pieces = text.split(hyphen, Qt::KeepEmptyParts);
    if (pieces.size() > 2) {
        return {};
    }
    const QString& core = pieces.first();
    if (!shape.match(core).hasMatch()) {
        return {};
    }
    const QStringList parts = core.split(dot, Qt::KeepEmptyParts);
    if (parts.size() != 3) {
        return {};
    }

    Version version;
    std::uint8_t* const fields[] = {&version.major, &version.minor, &version.patch};
    for (int i = 0; i < 3; ++i) {
        switch (parsePart(parts[i], *fields[i])) {
        case PartResult::Ok:
            break;
        case PartResult::NotANumber:
            return {};
        case PartResult::OutOfRange:
            qDebug() << "Version out of range";
            return {};
        }
    }
    return version;
}

} // namespace fwup
