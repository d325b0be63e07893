#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

class QFile;

namespace cvsw::cvbv3 {

class AuthResponseGenerator;

using BlockTypeTag = std::array<std::uint8_t, 8>;
using AuthResponseGeneratorFactory = std::function<std::shared_ptr<AuthResponseGenerator>()>;
using BlockRegistry = std::map<BlockTypeTag, AuthResponseGeneratorFactory>;

// Maps each known block type tag to the factory of the generator that unlocks its blocks. Filled with
// every known block type before main runs and only read afterwards; each factory call makes a new
// generator.
BlockRegistry& globalBlockRegistry();

// The registry file's static initialiser. Inserts each row only when its tag is absent, so running it
// again changes nothing. It also constructs the message handler's two process-wide files.
void registerBlockAuthFactories();

// The application message handler's outputs, constructed (closed, unnamed) before main and destroyed at
// exit: main names and opens the log file and opens the other on standard output.
QFile& messageHandlerLogFile();
QFile& messageHandlerStandardOutput();

} // namespace cvsw::cvbv3
