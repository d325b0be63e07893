#include "fwup/firmware/filesystem_firmware_catalog.h"

#include "fwup/firmware/i_catalog_manager.h"
#include "fwup/firmware/i_firmware_catalog_file.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <exception>

namespace fwup {

struct FilesystemFirmwareCatalog::Private {
    QDir directory;
    QString manifestPath;
    QJsonObject manifest;
};

FilesystemFirmwareCatalog::FilesystemFirmwareCatalog(const QDir& directory)
    : d(std::make_unique<Private>()) {
    d->directory = directory;
    d->manifestPath = directory.absoluteFilePath(QString::fromLatin1(MANIFEST_FILE_NAME));
    if (!d->directory.mkpath(QStringLiteral("."))) {
        qWarning() << "Failed to create firmware catalog at" << d->directory.absolutePath();
        return;
    }
    load();
}

FilesystemFirmwareCatalog::~FilesystemFirmwareCatalog() {
    saveManifest();
}

void FilesystemFirmwareCatalog::load() {
    if (!QFileInfo::exists(d->manifestPath)) {
        return;
    }
    QFile file(d->manifestPath);
    QByteArray contents;
    if (file.open(QIODevice::ReadOnly)) {
        contents = file.readAll();
    }
    // Text that is not a JSON object leaves the catalog empty; the next save replaces it.
    d->manifest = QJsonDocument::fromJson(contents).object();

    const QStringList members = d->manifest.keys();
    for (const QString& member : members) {
        QJsonArray entries = d->manifest.value(member).toArray();
        for (qsizetype i = 0; i < entries.size();) {
            const QJsonObject entry = entries.at(i).toObject();
            const QString md5 = entry.value(QLatin1String("firmwareMd5Checksum")).toString();
            // Only an MD5 name can be a catalogued file; any other text could name the directory itself
            // or a file outside it.
            if (is_catalog_file_name(md5) && QFileInfo::exists(d->directory.absoluteFilePath(md5))) {
                ++i;
                continue;
            }
            qDebug() << "No file for" << entry;
            entries.removeAt(i);
        }
        d->manifest.insert(member, entries);
    }
}

bool FilesystemFirmwareCatalog::addOrUpdateFirmware(const IFirmwareCatalogFile& catalogFile) {
    const QString path = catalogFile.filePath();
    qDebug() << "addOrUpdateFirmware";
    qDebug() << path;
    if (!QFileInfo::exists(path)) {
        qDebug() << "Cannot add non-existent file" << path << "to catalog";
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "Failed to open" << path << "-" << file.errorString();
        return false;
    }
    QCryptographicHash hash(QCryptographicHash::Md5);
    if (!hash.addData(&file)) {
        qWarning() << "Failed to hash" << path;
        return false;
    }
    file.close();

    const QString md5 = QString::fromLatin1(hash.result().toHex());
    const QString destination = d->directory.absoluteFilePath(md5);
    if (!QFileInfo::exists(destination) && !QFile::copy(path, destination)) {
        qDebug() << "Failed to copy" << path << "to" << destination;
        return false;
    }

    const QList<QSharedPointer<ICatalogManager>> managers = legacy_catalog_manager_registry();
    for (const auto& manager : managers) {
        try {
            manager->addOrUpdateEntry(d->manifest, catalogFile, md5);
        } catch (const std::exception& e) {
            qInfo() << "Failed to update firmware entry: " << e.what();
            return false;
        }
    }
    return saveManifest();
}

std::vector<std::unique_ptr<IFirmwareCatalogFile>>
FilesystemFirmwareCatalog::firmwareForDetector(const ISystemIdentity& identity) const {
    const QList<QSharedPointer<ICatalogManager>> managers = legacy_catalog_manager_registry();
    for (const auto& manager : managers) {
        auto files = manager->catalogFilesForSystem(identity, d->directory, d->manifest);
        if (!files.empty()) {
            return files;
        }
    }
    return {};
}

bool FilesystemFirmwareCatalog::saveManifest() const {
    const QJsonDocument document(d->manifest);
    // Written beside the manifest and renamed over it, so a failed or interrupted write keeps the old one.
    QSaveFile file(d->manifestPath);
    if (!file.open(QIODevice::WriteOnly)) {
        qDebug() << "Failed to open manifest for saving:" << file.errorString();
        return false;
    }
    const QByteArray text = document.toJson(QJsonDocument::Indented);
    // The explicit flush matters: a short write while flushing on close would pass commit() unnoticed
    // and put a truncated manifest in place.
    if (file.write(text) != text.size() || !file.flush() || !file.commit()) {
        qWarning() << "Failed to write manifest";
        return false;
    }
    return true;
}

} // namespace fwup
