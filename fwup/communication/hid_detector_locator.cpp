#include "fwup/communication/hid_detector_locator.h"

#include <hidapi.h>

#include <memory>

namespace fwup {

namespace {

QString hexId(unsigned short id) {
    return QStringLiteral("0x%1").arg(id, 4, 16, QLatin1Char('0'));
}

struct EnumerationDeleter {
    void operator()(hid_device_info* head) const { hid_free_enumeration(head); }
};

} // namespace

HidDetectorLocator::HidDetectorLocator(unsigned short vendorId, unsigned short productId)
    : vendorId_(vendorId)
    , productId_(productId) {
}

QStringList HidDetectorLocator::getConnectedDetectors() {
    QStringList locations;
    // Freed even when building the list throws.
    const std::unique_ptr<hid_device_info, EnumerationDeleter> head(hid_enumerate(vendorId_, productId_));
    for (const hid_device_info* record = head.get(); record != nullptr; record = record->next) {
        // The path goes in as hidapi gives it: the factory opens the device by exactly this text.
        const QString path = record->path != nullptr ? QString::fromUtf8(record->path) : QString();
        locations.append(QStringLiteral("HID::") + hexId(record->vendor_id) + QStringLiteral("::") +
                         hexId(record->product_id) + QStringLiteral("::") + path);
    }
    return locations;
}

} // namespace fwup
