#include "fwup/firmware/filesystem_firmware_catalog.h"

#include "fwup/firmware/i_catalog_manager.h"
#include "fwup/firmware/i_firmware_catalog_file.h"
#include "fwup/identification/move_unreadable_file_aside.h"

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
    // False while an unreadable manifest that could not be moved aside still stands at the manifest path.
    bool mayReplaceManifest = true;
};

namespace {

constexpr qint64 CopyChunkSize = 64 * 1024;

// Whether the file's contents still hash to its MD5 name.
bool matchesItsName(const QString& path, const QString& md5) {
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Md5);
    return file.open(QIODevice::ReadOnly) && hash.addData(&file) &&
           QString::fromLatin1(hash.result().toHex()) == md5;
}

// Copies the open source into the catalog under its MD5 name, hashing exactly the bytes it writes. The
// copy goes to a temporary file beside the destination and is renamed over it only when those bytes
// hash to the expected name, so the catalog never holds a copy that contradicts its name.
bool copyInto(QFile& source, const QString& destination, const QString& md5) {
    QSaveFile copy(destination);
    if (!source.seek(0) || !copy.open(QIODevice::WriteOnly)) {
        qDebug() << "Failed to copy" << source.fileName() << "to" << destination;
        return false;
    }
    QCryptographicHash hash(QCryptographicHash::Md5);
    QByteArray chunk;
    bool written = true;
    while (written && !(chunk = source.read(CopyChunkSize)).isEmpty()) {
        hash.addData(chunk);
        written = copy.write(chunk) == chunk.size();
    }
    if (source.error() != QFileDevice::NoError) {
        qWarning() << "Failed to hash" << source.fileName();
        return false;
    }
    // Flushed before the check and the commit: a short write while flushing on close would pass
    // commit() unnoticed.
    if (!written || !copy.flush()) {
        qDebug() << "Failed to copy" << source.fileName() << "to" << destination;
        return false;
    }
    if (QString::fromLatin1(hash.result().toHex()) != md5) {
        qWarning() << "Firmware file" << source.fileName() << "changed while it was being catalogued";
        return false;
    }
    if (!copy.commit()) {
        qDebug() << "Failed to copy" << source.fileName() << "to" << destination;
        return false;
    }
    return true;
}

} // namespace

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
    bool read = false;
    if (file.open(QIODevice::ReadOnly)) {
        contents = file.readAll();
        read = file.error() == QFileDevice::NoError;
        file.close();
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(contents, &error);
    if (!read || error.error != QJsonParseError::NoError || !document.isObject()) {
        // The entries may still be mended by hand, and the catalogued files are all still there: keep the
        // manifest under another name before the catalog starts empty and its next save replaces it.
        d->mayReplaceManifest = move_unreadable_file_aside(d->manifestPath);
        return;
    }
    d->manifest = document.object();

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

    const QString md5 = QString::fromLatin1(hash.result().toHex());
    const QString destination = d->directory.absoluteFilePath(md5);
    bool copyNeeded = !QFileInfo::exists(destination);
    if (!copyNeeded && !matchesItsName(destination, md5)) {
        // A truncated or damaged copy would fail every extraction of this firmware for ever.
        qWarning() << "Catalogued copy" << destination << "does not match its name; replacing it";
        copyNeeded = true;
    }
    if (copyNeeded && !copyInto(file, destination, md5)) {
        return false;
    }
    file.close();

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
    if (!d->mayReplaceManifest) {
        qWarning() << "Manifest not saved: the unreadable one could not be kept aside";
        return false;
    }
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
