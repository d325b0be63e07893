#pragma once

#include "fwup/firmware/i_system_update.h"

#include <QString>

namespace fwup {

// The one MBU image of a legacy system of one or two modules, with the versions it installs: key 0
// for the first module, key 1 for the second. Nothing extracts such images into temporary files, so
// the update only names its file and leaves it where it is.
class LegacySystemUpdate : public ISystemUpdate {
public:
    LegacySystemUpdate(QString imagePath, QMap<UpgradeableComponent, Version> versions);
    ~LegacySystemUpdate() override;

    QMap<UpgradeableComponent, Version> componentVersions() const override;

    const QString& imagePath() const { return imagePath_; }

private:
    QString imagePath_;
    QMap<UpgradeableComponent, Version> versions_;
};

} // namespace fwup
