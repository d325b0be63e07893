#pragma once

#include "fwup/communication/location_info.h"

#include <QString>
#include <QStringList>

namespace fwup {

// Parse a location string of one kind into its record. False when the string is of another kind
// (silently, except that the MC_M2M parser complains about any field count other than 4) or is
// malformed (one debug message); the record may then be partly written.
bool try_split_detector_location_string(const QString& location, HidLocationInfo& info);
bool try_split_detector_location_string(const QString& location, SerialLocationInfo& info);
bool try_split_detector_location_string(const QString& location, TcpLocationInfo& info);
bool try_split_detector_location_string(const QString& location, MuppetCommanderLocationInfo& info);
bool try_split_detector_location_string(const QString& location, TunnelInfo& info);

namespace msd {
// CVX::directory::file; the fields when valid, an empty list otherwise.
QStringList split_and_validate_detector_location_string(const QString& location);
} // namespace msd

namespace hid {
// HID::0xVVVV::0xPPPP::USB_VVVV_PPPP_XXXXXXXX; the fields when valid, an empty list otherwise.
QStringList split_and_validate_detector_location_string(const QString& location);
} // namespace hid

} // namespace fwup
