#include "fwup/firmware/mbu_and_tamarind_catalog_manager.h"

#include "fwup/firmware/mbu_and_tamarind_firmware_catalog_file.h"
#include "fwup/firmware/version_string.h"
#include "fwup/identification/mbu_and_tamarind_system_identity.h"

#include <QDebug>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

#include <optional>
#include <stdexcept>

namespace fwup {

namespace {

const QString ControlPodVersionKey = QStringLiteral("controlPodVersion");
const QString TamarindVersionKey = QStringLiteral("tamarindSoftwareVersion");
const QString Md5Key = QStringLiteral("firmwareMd5Checksum");
const QString PodHardwareKey = QStringLiteral("compatibleControlPodHardwareVersion");
const QString TamarindHardwareKey = QStringLiteral("tamarindHardwareVersion");
const QString MbuIndexKey = QStringLiteral("mbuBlockIndex");
const QString CpuAppIndexKey = QStringLiteral("cpuAppBlockIndex");
const QString CpuNetIndexKey = QStringLiteral("cpuNetBlockIndex");

// Block indices above this do not fit the manifest's integers.
constexpr std::uint64_t MaxBlockIndex = 2147483647u;

// A whole number that fits 32 bits; 0 for anything else, as stored catalogs have always been read.
int readInt(const QJsonObject& entry, const QString& key) {
    return entry.value(key).toInt(0);
}

QString readString(const QJsonObject& entry, const QString& key) {
    return entry.value(key).toString();
}

std::uint64_t readBlockIndex(const QJsonObject& entry, const QString& key) {
    return static_cast<std::uint64_t>(static_cast<std::int64_t>(readInt(entry, key)));
}

const MbuAndTamarindFirmwareCatalogFile* asCombined(const IFirmwareCatalogFile& file) {
    return dynamic_cast<const MbuAndTamarindFirmwareCatalogFile*>(&file);
}

const MbuAndTamarindSystemIdentity* asSystem(const ISystemIdentity& identity) {
    return dynamic_cast<const MbuAndTamarindSystemIdentity*>(&identity);
}

bool reasonableIndex(std::uint64_t index, const char* what) {
    if (index > MaxBlockIndex) {
        qWarning() << what << index;
        return false;
    }
    return true;
}

} // namespace

void MbuAndTamarindCatalogManager::addOrUpdateEntry(QJsonObject& manifest, const IFirmwareCatalogFile& file,
                                                    const QString& md5) const {
    const MbuAndTamarindFirmwareCatalogFile* combined = asCombined(file);
    if (!combined) {
        qDebug() << "could not cast to MbuAndTamarindFimwareCatalogFile";
        return;
    }
    if (!canCatalog(file)) {
        throw std::runtime_error("unreasonable block indices");
    }
    const QJsonObject entry = makeCatalogEntry(md5, file);
    const char* name = detectorTypeName(*combined);
    const QString member = QString::fromLatin1(name);
    if (!manifest.contains(member)) {
        qDebug() << "added entry: " << name;
        manifest.insert(member, QJsonArray{entry});
    }
    if (!manifest.value(member).isArray()) {
        qDebug() << "Catalog entries for " << name << " is not an array. Repairing.";
        manifest.insert(member, QJsonArray{entry});
    }

    QJsonArray entries = manifest.value(member).toArray();
    const MbuFirmwareInfo& mbu = combined->mbuInfo();
    const TamarindFirmwareInfo& tamarind = combined->tamarindInfo();
    // Highest first, so that removing one leaves the lower indices in place.
    std::vector<qsizetype> badIndices;
    std::optional<qsizetype> match;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (!entries.at(i).isObject()) {
            qDebug() << "Found bad entry in catalogue during update. Removing";
            badIndices.insert(badIndices.begin(), i);
            continue;
        }
        const QJsonObject existing = entries.at(i).toObject();
        // The Tamarind hardware counts too: one firmware built for several Tamarind hardware versions
        // needs an entry for each, or a detector with the other hardware is offered nothing.
        if (parse_version_string(readString(existing, ControlPodVersionKey)) == mbu.version &&
            readInt(existing, PodHardwareKey) == static_cast<int>(mbu.hardwareVersion) &&
            readInt(existing, TamarindHardwareKey) == static_cast<int>(tamarind.hardwareVersion)) {
            match = i;
            break;
        }
    }
    qDebug() << QStringLiteral("%1 catalogue entry for %2 - Hw: %4, Sw: %6")
                    .arg(match ? QStringLiteral("Updating") : QStringLiteral("Appending"))
                    .arg(member)
                    .arg(mbu.hardwareVersion)
                    .arg(mbu.version.toString());
    if (match) {
        entries.replace(*match, entry);
    } else {
        entries.append(entry);
    }
    for (const qsizetype index : badIndices) {
        entries.removeAt(index);
    }
    manifest.insert(member, entries);
}

std::vector<std::unique_ptr<IFirmwareCatalogFile>> MbuAndTamarindCatalogManager::catalogFilesForSystem(
    const ISystemIdentity& identity, const QDir& catalogDirectory, const QJsonObject& manifest) const {
    std::vector<std::unique_ptr<IFirmwareCatalogFile>> result;
    const MbuAndTamarindSystemIdentity* system = asSystem(identity);
    if (!system) {
        qDebug() << "This manager cannot find files for this type of system";
        return result;
    }
    const char* name = detector_type_display_name(identity.detectorType());
    const QJsonValue member = manifest.value(QString::fromLatin1(name));
    if (!member.isArray()) {
        qDebug() << "No firmware for the detector " << name << " found";
        return result;
    }
    const std::uint8_t podHardware = system->mbuIdentity().hardwareRevision;
    // Without a Tamarind part the sub-system's hardware is as unknown as an unidentified one's.
    const std::uint8_t tamarindHardware =
        system->tamarindIdentity() ? system->tamarindIdentity()->hardwareRevision : std::uint8_t(0);

    const QJsonArray entries = member.toArray();
    for (const QJsonValue value : entries) {
        if (!value.isObject()) {
            qDebug() << "Found non-object in firmware list";
            continue;
        }
        const QJsonObject entry = value.toObject();
        const auto entryPodHardware = static_cast<std::uint8_t>(readInt(entry, PodHardwareKey));
        const auto entryTamarindHardware = static_cast<std::uint8_t>(readInt(entry, TamarindHardwareKey));
        if (entryPodHardware != podHardware) {
            qDebug() << "Mis-matched compatible control pod hardware version";
            continue;
        }
        if (tamarindHardware != 0 && tamarindHardware != entryTamarindHardware) {
            qDebug() << "Mis-matched compatible tamarind sub-system hardware version";
            continue;
        }
        if (!is_catalog_file_name(readString(entry, Md5Key))) {
            qDebug() << "No file for" << entry;
            continue;
        }
        if (!catalogFileFromEntry(result, identity, catalogDirectory, entry, entryPodHardware,
                                  entryTamarindHardware)) {
            qWarning() << "Could not populate catalog files";
            return result;
        }
    }
    return result;
}

QJsonObject MbuAndTamarindCatalogManager::makeCatalogEntry(QString md5,
                                                           const IFirmwareCatalogFile& file) const {
    const MbuAndTamarindFirmwareCatalogFile* combined = asCombined(file);
    if (!combined) {
        qWarning() << "This firmware cannot be added to the catalog by the mbuAndTamarind catalog manager";
        return {};
    }
    const MbuFirmwareInfo& mbu = combined->mbuInfo();
    const TamarindFirmwareInfo& tamarind = combined->tamarindInfo();
    return {
        {ControlPodVersionKey, mbu.version.toString()},
        {TamarindVersionKey, tamarind.version.toString()},
        {Md5Key, md5},
        {PodHardwareKey, static_cast<int>(mbu.hardwareVersion)},
        {TamarindHardwareKey, static_cast<int>(tamarind.hardwareVersion)},
        {MbuIndexKey, static_cast<int>(mbu.blockIndex)},
        {CpuAppIndexKey, static_cast<int>(tamarind.cpuAppBlockIndex)},
        {CpuNetIndexKey, static_cast<int>(tamarind.cpuNetBlockIndex)},
    };
}

bool MbuAndTamarindCatalogManager::canCatalog(const IFirmwareCatalogFile& file) const {
    const MbuAndTamarindFirmwareCatalogFile* combined = asCombined(file);
    if (!combined) {
        qWarning() << "This firmware cannot be added to the catalog by the mbu and tamarind catalog manager";
        return false;
    }
    return reasonableIndex(combined->mbuInfo().blockIndex, "Unreasonable mbu block index") &&
           reasonableIndex(combined->tamarindInfo().cpuAppBlockIndex,
                           "Unreasonable tamarind cpu app block index") &&
           reasonableIndex(combined->tamarindInfo().cpuNetBlockIndex,
                           "Unreasonable tamarind cpu net block index");
}

bool MbuAndTamarindCatalogManager::catalogFileFromEntry(
    std::vector<std::unique_ptr<IFirmwareCatalogFile>>& result, const ISystemIdentity& identity,
    const QDir& catalogDirectory, const QJsonObject& entry, std::uint8_t compatibleControlPodHardware,
    std::uint8_t tamarindHardware) const {
    const MbuAndTamarindSystemIdentity* system = asSystem(identity);
    if (!system) {
        qDebug() << "This manager cannot find files for this type of system";
        return false;
    }
    const QString path = catalogDirectory.absoluteFilePath(readString(entry, Md5Key));
    const MbuFirmwareInfo mbu{readBlockIndex(entry, MbuIndexKey), system->mbuIdentity().detectorType,
                              parse_version_string(readString(entry, ControlPodVersionKey)),
                              compatibleControlPodHardware};
    TamarindFirmwareInfo tamarind;
    if (system->tamarindIdentity()) {
        tamarind = {readBlockIndex(entry, CpuAppIndexKey),
                    readBlockIndex(entry, CpuNetIndexKey),
                    system->tamarindIdentity()->detectorType,
                    parse_version_string(readString(entry, TamarindVersionKey)),
                    0,
                    tamarindHardware};
    } else {
        qWarning()
            << "No tamarind identity is available, catalog for the tamarind sub-system is not populated.";
    }
    result.push_back(std::make_unique<MbuAndTamarindFirmwareCatalogFile>(mbu, tamarind, path));
    return true;
}

const char*
MbuAndTamarindCatalogManager::detectorTypeName(const MbuAndTamarindFirmwareCatalogFile& file) const {
    return detector_type_display_name(file.detectorType());
}

} // namespace fwup
