#pragma once

#include "muppet/file_id.h"

#include <QString>

#include <list>
#include <utility>

namespace fwup {

class ISystemUpdate;

// The files the Lodestar updater transfers to the control pod: the control-pod image alone, as file
// 11000. Replaces the list's contents and returns true for an MbuAndTamarindSystemUpdate; any other
// update is logged and refused.
bool buildLodestarFileList(std::list<std::pair<cvsw::corvane::FileId, QString>>& files,
                           const ISystemUpdate& update);

} // namespace fwup
