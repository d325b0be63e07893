#include "fwup/coordination/detector_support.h"

#include <vector>

namespace fwup {

namespace {

// Created on first use, so families may register from static initialisers in any order.
std::vector<DetectorSupport>& detector_support_list() {
    static std::vector<DetectorSupport> list;
    return list;
}

} // namespace

void add_detector_support(const DetectorSupport& support) {
    detector_support_list().push_back(support);
}

void for_each_supported_detector(const std::function<void(const DetectorSupport&)>& visitor) {
    for (const DetectorSupport& support : detector_support_list()) {
        visitor(support);
    }
}

} // namespace fwup
