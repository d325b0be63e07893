#pragma once

#include "muppet/version.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

// The system form of the detector record: the same kind of file, but one element per detector
// system, {"detectorType", "modules": [...]}, a system found again by its first module.
namespace fwup {

class LegacySystemIdentity;

// One module of a system as the record keeps it; whatever is unknown is left out.
struct DeviceIdentity {
    std::optional<QString> moduleName;
    std::optional<std::uint8_t> hardwareVersion;
    std::optional<Version> softwareVersion;
    std::optional<QString> serialNumber;
    std::optional<std::uint32_t> userVerificationCode;
};

// "moduleName", "userVerificationCode" (decimal text), "hardwareVersion" (integer),
// "softwareVersion" ("1.2.3") and "serialNumber"; null for each field that is unknown.
QJsonObject to_json(const DeviceIdentity& identity);

// The record's array: empty when the file is missing, unreadable or holds something else.
QJsonArray loadJsonArrayOfSystems(const QString& recordFilePath);

// Replaces the file atomically with the indented array; a failed write keeps the old file.
void saveJsonArrayOfSystems(const QString& recordFilePath, const QJsonArray& systems);

// Replaces the element of the system whose first module has the first new module's serial number
// (or, without one, its verification code), or appends one. Does nothing without modules. Other
// elements are kept; a file that exists but cannot be read is left alone.
void update_system_identity_json(const QString& recordFilePath, const QString& detectorType,
                                 const QList<DeviceIdentity>& modules);

// Records a two-module "RDX 30" system, found again by the first identity's serial number. Each
// identity stands for one module: its first module, or its second when it has no first.
void update_dual_module_system_identity(const QString& recordFilePath, const LegacySystemIdentity& first,
                                        const QString& firstName, const LegacySystemIdentity& second,
                                        const QString& secondName);

// A system's two hardware versions in one number: the control board's in the high byte, the pod's
// in the low byte.
std::uint16_t combine_cb_pod_hw_version(const std::uint8_t& cb, const std::uint8_t& pod);
void separate_cb_pod_hw_version(std::uint16_t value, std::uint8_t& cb, std::uint8_t& pod);

} // namespace fwup
