#pragma once

#include <functional>

namespace fwup {

struct ApplicationConfiguration;

// A detector family's start-up function: it fills the registries with the family's objects.
using DetectorSupport = std::function<void(const ApplicationConfiguration&)>;

// Appends a copy to the process-wide list; families call it from a static initialiser. Neither an
// empty function nor a duplicate is refused.
void add_detector_support(const DetectorSupport& support);

// Hands each stored function to the visitor, in the order they were added; the visitor decides what
// to call them with.
void for_each_supported_detector(const std::function<void(const DetectorSupport&)>& visitor);

} // namespace fwup
