#include "app/bundled_firmware_import.h"

#include "fwup/firmware/firmware_catalog.h"
#include "fwup/firmware/firmware_file_parser.h"
#include "fwup/firmware/i_firmware_catalog_file.h"

#include <QDebug>
#include <QDirIterator>
#include <QFileInfo>
#include <QString>

void importBundledFirmware(const QString& directory, fwup::FirmwareCatalog& catalog) {
    qDebug() << "Looking for 'bundled' firmware in" << directory;
    QDirIterator entries(directory, QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QString path = entries.next();
        if (!QFileInfo(path).isFile()) {
            continue;
        }
        qDebug() << "Attempting to parse" << path << "for firmware";
        for (const auto& file : fwup::parse_with_registered_parsers(path)) {
            catalog.addOrUpdateFirmware(*file);
        }
    }
}
