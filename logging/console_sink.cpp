#include "logging/console_sink.h"

#include <iostream>

namespace cvsw::logging {

const char* ConsoleSink::name() const {
    return "console";
}

void ConsoleSink::write(const std::string& text) {
    const std::lock_guard lock(mutex_);
    std::cout << text << '\n';
    std::cout.flush();
}

} // namespace cvsw::logging
