#pragma once

#include "muppet/control_command.h"
#include "muppet/file_id.h"
#include "muppet/lpd_vector.h"

#include <cstdint>

namespace cvsw::muppet::control {

// Puts a file onto the device in chunks. GET carries the file id alone (the device answers with
// the offset it expects next); SET and INF carry the file id, the offset and a chunk of data.
// The system uses LpdVector<unsigned short>, so one chunk holds at most 65,535 bytes.
template <typename DataVector>
class FilePutLpdCommand : public ControlCommand<FilePutLpdCommand<DataVector>, 78> {
    using Base = ControlCommand<FilePutLpdCommand<DataVector>, 78>;

public:
    static constexpr const char* LABEL = "File Put LPD";

    using Base::Base;

    corvane::FileId fileId = 0;
    std::uint32_t offset = 0;
    DataVector fileData;

    void encodePayload(EndianInserter& out, Mode payloadMode) const {
        if (payloadMode == Mode::GET) {
            out.put<std::uint16_t>(fileId);
        } else if (payloadMode == Mode::SET || payloadMode == Mode::INF) {
            out.put<std::uint16_t>(fileId);
            out.put<std::uint32_t>(offset);
            fileData.encode(out);
        }
    }

    void decodePayload(ControlExtractor& in, Mode payloadMode) {
        if (payloadMode == Mode::GET) {
            fileId = in.extract<std::uint16_t>();
            fileData.bytes.clear();
        } else if (payloadMode == Mode::SET || payloadMode == Mode::INF) {
            fileId = in.extract<std::uint16_t>();
            offset = in.extract<std::uint32_t>();
            fileData.decode(in);
        }
    }

    friend bool operator==(const FilePutLpdCommand&, const FilePutLpdCommand&) = default;
};

} // namespace cvsw::muppet::control
