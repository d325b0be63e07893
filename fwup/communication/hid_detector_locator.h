#pragma once

#include "fwup/communication/detector_locator.h"

namespace fwup {

// Lists the USB HID devices of one vendor and product id as HID location strings, one per record
// hidapi enumerates (a device with several HID interfaces is listed once per interface).
class HidDetectorLocator final : public DetectorLocator {
public:
    HidDetectorLocator(unsigned short vendorId, unsigned short productId);

    QStringList getConnectedDetectors() override;

private:
    const unsigned short vendorId_;
    const unsigned short productId_;
};

} // namespace fwup
