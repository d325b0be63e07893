#include "fwup/identification/detector_system_record.h"

#include "fwup/identification/detector_record_file_p.h"
#include "fwup/identification/legacy_system_identity.h"

#include <QDebug>
#include <QJsonValue>

#include <functional>

namespace fwup {

namespace {

const QLatin1String detectorTypeKey("detectorType");
const QLatin1String modulesKey("modules");
const QLatin1String moduleNameKey("moduleName");
const QLatin1String hardwareVersionKey("hardwareVersion");
const QLatin1String softwareVersionKey("softwareVersion");
const QLatin1String serialNumberKey("serialNumber");
const QLatin1String userVerificationCodeKey("userVerificationCode");
const QLatin1String isSpeculativeKey("isSpeculative");

template <typename T, typename Convert>
QJsonValue valueOrNull(const std::optional<T>& field, Convert convert) {
    return field ? QJsonValue(convert(*field)) : QJsonValue(QJsonValue::Null);
}

// Puts the system in place of the first element whose first stored module matches, or appends it;
// elements without modules never match. Leaves a file it could not read alone.
void replaceOrAppendSystem(const QString& recordFilePath, const QJsonObject& system,
                           const std::function<bool(const QJsonObject&)>& matchesFirstModule) {
    std::optional<QJsonArray> systems = detail::readRecordArray(recordFilePath);
    if (!systems) {
        qWarning() << "Cannot read record file" << recordFilePath << "- leaving it unchanged";
        return;
    }
    bool found = false;
    for (qsizetype i = 0; i < systems->size() && !found; ++i) {
        const QJsonArray storedModules = systems->at(i).toObject().value(modulesKey).toArray();
        if (!storedModules.isEmpty() && matchesFirstModule(storedModules.first().toObject())) {
            systems->replace(i, system);
            found = true;
        }
    }
    if (!found) {
        systems->append(system);
    }
    detail::writeRecordArray(recordFilePath, *systems);
}

const MbuComponentIdentity* moduleOf(const LegacySystemIdentity& identity) {
    if (identity.firstModule()) {
        return &*identity.firstModule();
    }
    return identity.secondModule() ? &*identity.secondModule() : nullptr;
}

QJsonObject legacyModuleJson(const LegacySystemIdentity& identity, const QString& name) {
    const MbuComponentIdentity* module = moduleOf(identity);
    const Version version = module != nullptr ? module->softwareVersion.value_or(Version{}) : Version{};
    return QJsonObject{
        {moduleNameKey, name},
        {hardwareVersionKey, module != nullptr ? int(module->hardwareRevision) : 0},
        {softwareVersionKey, version.toString()},
        {serialNumberKey, identity.serialNumber()},
        {userVerificationCodeKey,
         QString::number(module != nullptr ? module->userVerificationCode.value() : 0u)},
        {isSpeculativeKey, identity.isSpeculative()},
    };
}

} // namespace

QJsonObject to_json(const DeviceIdentity& identity) {
    const auto same = [](const QString& text) {
        return text;
    };
    return QJsonObject{
        {moduleNameKey, valueOrNull(identity.moduleName, same)},
        {userVerificationCodeKey, valueOrNull(identity.userVerificationCode,
                                              [](std::uint32_t code) { return QString::number(code); })},
        {hardwareVersionKey,
         valueOrNull(identity.hardwareVersion, [](std::uint8_t version) { return int(version); })},
        {softwareVersionKey,
         valueOrNull(identity.softwareVersion, [](const Version& version) { return version.toString(); })},
        {serialNumberKey, valueOrNull(identity.serialNumber, same)},
    };
}

QJsonArray loadJsonArrayOfSystems(const QString& recordFilePath) {
    return detail::readRecordArray(recordFilePath).value_or(QJsonArray());
}

void saveJsonArrayOfSystems(const QString& recordFilePath, const QJsonArray& systems) {
    detail::writeRecordArray(recordFilePath, systems);
}

void update_system_identity_json(const QString& recordFilePath, const QString& detectorType,
                                 const QList<DeviceIdentity>& modules) {
    if (modules.isEmpty()) {
        return;
    }
    QJsonArray moduleObjects;
    for (const DeviceIdentity& module : modules) {
        moduleObjects.append(to_json(module));
    }
    const QJsonObject system{{detectorTypeKey, detectorType}, {modulesKey, moduleObjects}};

    const DeviceIdentity& firstNew = modules.first();
    replaceOrAppendSystem(recordFilePath, system, [&firstNew](const QJsonObject& stored) {
        if (firstNew.serialNumber) {
            return stored.value(serialNumberKey) == QJsonValue(*firstNew.serialNumber);
        }
        if (firstNew.userVerificationCode) {
            return stored.value(userVerificationCodeKey) ==
                   QJsonValue(QString::number(*firstNew.userVerificationCode));
        }
        return false;
    });
}

void update_dual_module_system_identity(const QString& recordFilePath, const LegacySystemIdentity& first,
                                        const QString& firstName, const LegacySystemIdentity& second,
                                        const QString& secondName) {
    const QJsonObject system{
        {detectorTypeKey, QStringLiteral("RDX 30")},
        {modulesKey, QJsonArray{legacyModuleJson(first, firstName), legacyModuleJson(second, secondName)}},
    };
    const QJsonValue serialNumber(first.serialNumber());
    replaceOrAppendSystem(recordFilePath, system, [&serialNumber](const QJsonObject& stored) {
        return stored.value(serialNumberKey) == serialNumber;
    });
}

std::uint16_t combine_cb_pod_hw_version(const std::uint8_t& cb, const std::uint8_t& pod) {
    return static_cast<std::uint16_t>((cb << 8) | pod);
}

void separate_cb_pod_hw_version(std::uint16_t value, std::uint8_t& cb, std::uint8_t& pod) {
    cb = static_cast<std::uint8_t>(value >> 8);
    pod = static_cast<std::uint8_t>(value & 0xFF);
}

} // namespace fwup
