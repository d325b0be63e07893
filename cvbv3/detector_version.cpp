#include "cvbv3/detector_version.h"

#include "logging/log.h"

#include <QString>
#include <QStringList>

namespace cvsw::cvbv3 {

namespace {

constexpr unsigned short LogModule = 0x3B06;

std::uint8_t part(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? static_cast<std::uint8_t>(value) : 0;
}

} // namespace

DetectorVersion DetectorVersion::fromString(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    if (parts.size() != 3) {
        CVSW_LOG(log::Level::Error, LogModule, "Invalid version format. Expected: <major>.<minor>.<patch>");
        return {};
    }
    return {part(parts[0]), part(parts[1]), part(parts[2])};
}

} // namespace cvsw::cvbv3
