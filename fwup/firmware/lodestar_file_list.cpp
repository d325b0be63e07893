#include "fwup/firmware/lodestar_file_list.h"

#include "fwup/firmware/mbu_and_tamarind_system_update.h"

#include <QDebug>

namespace fwup {

namespace {
constexpr cvsw::corvane::FileId ControlPodImageFileId = 11000;
}

bool buildLodestarFileList(std::list<std::pair<cvsw::corvane::FileId, QString>>& files,
                           const ISystemUpdate& update) {
    const auto* lodestar = dynamic_cast<const MbuAndTamarindSystemUpdate*>(&update);
    if (!lodestar) {
        qCritical() << "Unexpected system update";
        return false;
    }
    files.clear();
    files.emplace_back(ControlPodImageFileId, lodestar->controlPodFile().fileName());
    return true;
}

} // namespace fwup
