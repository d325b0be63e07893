#pragma once

// What the Tamarind update tests share: short waits, and a Lodestar firmware made, parsed and
// extracted as the program does, so that the images put are real extracted CPUAPP and CPUNET files.

#include <QDir>
#include <QFile>
#include <QString>

#include "fwup/firmware/lodestar_firmware_image_extractor.h"
#include "fwup/firmware/mbu_and_tamarind_firmware_file_parser.h"
#include "fwup/firmware/mbu_and_tamarind_system_update.h"
#include "fwup/installation/tamarind_update_timing.h"
#include "tests/support/containers/cvb_test_keys.h"
#include "tests/support/containers/firmware_metadata.h"
#include "tests/support/containers/test_containers.h"

#include <memory>
#include <stdexcept>

namespace tamarind_test {

// Every wait a few milliseconds, so that a whole update takes well under a second.
inline fwup::TamarindUpdateTiming shortTiming() {
    fwup::TamarindUpdateTiming timing;
    timing.restartStepMs = 1;
    timing.foundStepMs = 1;
    timing.progressPauseMs = 1;
    timing.replyTimeoutMs = 200;
    timing.indicationFirstTimeoutMs = 200;
    timing.indicationRetryMs = 10;
    timing.validityPollIntervalMs = 1;
    return timing;
}

inline QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A model-1 Lodestar firmware carrying the given Tamarind version and images of the given sizes,
// written into dir and extracted by the family's extractor.
inline std::unique_ptr<fwup::MbuAndTamarindSystemUpdate>
extractLodestarFirmware(const QDir& dir, fwup::Version tamarindVersion, std::size_t cpuAppSize,
                        std::size_t cpuNetSize, fwup::Version podVersion = {1, 80, 0}) {
    using namespace cvbtest;
    MbuHeaderLayout pod;
    pod.version = {podVersion.major, podVersion.minor, podVersion.patch};
    pod.hardwareFlags = 1;
    pod.requiredBtIcdRevision = 3;
    CpuAppHeaderLayout app;
    app.version = {tamarindVersion.major, tamarindVersion.minor, tamarindVersion.patch};
    app.hardwareFlags = 1;
    app.btIcdRevision = 3;
    app.pairingId = pairingId(7);
    CpuNetHeaderLayout net;
    net.pairingId = app.pairingId;
    const ContainerLayout layout{
        {firmwareBlock("LDSTCP01", mbuHeader(pod), patternBytes(3000, 1), LodestarModel1ProductionSecret),
         firmwareBlock("LDSTJNA1", cpuAppHeader(app), patternBytes(cpuAppSize, 2),
                       LodestarJuniperCpuAppProductionSecret),
         firmwareBlock("LDSTJNN1", cpuNetHeader(net), patternBytes(cpuNetSize, 3),
                       LodestarJuniperCpuNetProductionSecret)},
        {}};
    const QString path = dir.filePath(QStringLiteral("lodestar.cvb"));
    if (!writeContainer(path, layout)) {
        throw std::runtime_error("could not write the firmware file");
    }
    const fwup::BlockTag podTag = makeTag("LDSTCP01");
    fwup::MbuAndTamarindFirmwareFileParser<cvsw::cvbv3::MbuMetadataHeaderV2> parser(
        podTag, makeTag("LDSTJNA1"), makeTag("LDSTJNN1"), LodestarModel1ProductionSecret,
        LodestarJuniperCpuAppProductionSecret, LodestarJuniperCpuNetProductionSecret,
        fwup::DetectorType::LODESTAR_MODEL_1);
    const auto files = parser.parseFile(path);
    if (files.size() != 1) {
        throw std::runtime_error("the firmware file did not parse");
    }
    fwup::LodestarFirmwareImageExtractor extractor(podTag, LodestarModel1ProductionSecret,
                                                   LodestarJuniperCpuAppProductionSecret,
                                                   LodestarJuniperCpuNetProductionSecret);
    std::unique_ptr<fwup::ISystemUpdate> update = extractor.extractFirmware(*files.front());
    auto* system = dynamic_cast<fwup::MbuAndTamarindSystemUpdate*>(update.get());
    if (!system) {
        throw std::runtime_error("the firmware did not extract");
    }
    update.release();
    return std::unique_ptr<fwup::MbuAndTamarindSystemUpdate>(system);
}

} // namespace tamarind_test
