#pragma once

#include "muppet/codec.h"

#include <QUuid>

#include <memory>

namespace fwup {

// Carries Muppet frames to and from one device behind an MC_M2M gateway: JSON documents, one per
// line. The first encoded frame is preceded by the request to connect to the device; every frame
// goes out as a "sendFrameToDevice" request, and "rxFrame" notifications for the device come back
// as frames. Decode keeps an unfinished line in its output buffer until the line feed arrives; a
// line longer than 64 KiB is dropped, with a warning and report 6, up to its line feed.
//
// Reports (category 2, without a third value): 1 no room for received bytes, 6 a received line that
// is not a usable message.
class MCM2MAPICodec final : public cvsw::muppet::Codec {
public:
    explicit MCM2MAPICodec(const QUuid& device);
    ~MCM2MAPICodec() override;

    MCM2MAPICodec(const MCM2MAPICodec&) = delete;
    MCM2MAPICodec& operator=(const MCM2MAPICodec&) = delete;

    void decode(cvsw::muppet::Notifier& notifier, const cvsw::muppet::Buffer& in, cvsw::muppet::Buffer& out,
                cvsw::muppet::FramePortal& portal) override;
    void encode(cvsw::muppet::Notifier& notifier, std::uint8_t frameType, const cvsw::muppet::Buffer& payload,
                cvsw::muppet::Buffer& out) override;

    struct Private;

private:
    std::unique_ptr<Private> d;
};

} // namespace fwup
