#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QString>
#include <QTest>
#include <QtGlobal>

#include "fwup/communication/muppet_connection.h"
#include "fwup/identification/detector_identifier.h"
#include "fwup/identification/legacy_system_identity.h"
#include "fwup/identification/muppet_device_identifier.h"
#include "fwup/installation/muppet_device_file_putter.h"

#include <memory>
#include <optional>

namespace legacy_test {

inline constexpr cvsw::muppet::ProductTypeId MODULE_APPLICATION = 144;
inline constexpr cvsw::muppet::ProductTypeId MODULE_BOOTLOADER = 145;

// Identifies the simulated pod as a legacy system of one module, as a legacy family's identifier
// would: the pod's details are read without a login, and the software version it runs names the
// detector type. In its bootloader the pod runs no software and has no type.
class OneModuleIdentifier : public fwup::DetectorIdentifier {
public:
    std::unique_ptr<fwup::ISystemIdentity> identifyDetector(const QString& location) override {
        ++calls;
        const auto connection = fwup::MuppetConnection::establishConnection(location);
        if (!connection) {
            return nullptr;
        }
        fwup::MuppetDeviceIdentifier identifier({MODULE_APPLICATION, MODULE_BOOTLOADER});
        const std::optional<fwup::MuppetDeviceDetails> details = identifier.identifyDevice(*connection);
        if (!details || !details->productType || !details->serialNumber) {
            return nullptr;
        }
        fwup::MbuComponentIdentity module;
        module.productType = *details->productType;
        module.serialNumber = *details->serialNumber;
        if (module.productType == MODULE_APPLICATION) {
            module.softwareVersion = details->softwareVersion;
        }
        if (updatedVersion && module.softwareVersion == updatedVersion) {
            if (recognitionsOnceUpdated == 0) {
                return nullptr;
            }
            if (recognitionsOnceUpdated > 0) {
                --recognitionsOnceUpdated;
            }
            module.serialNumber = serialOnceUpdated.value_or(module.serialNumber);
        }
        module.detectorType =
            module.softwareVersion ? types.value(*module.softwareVersion) : fwup::DetectorType::NONE;
        return std::make_unique<fwup::LegacySystemIdentity>(module, std::nullopt, module.detectorType, false);
    }

    // The type each software version stands for; NONE for any other.
    QMap<fwup::Version, fwup::DetectorType> types;
    // Once the pod runs this version: at most this many identifications succeed (-1: all), and
    // they report this serial number, when one is given.
    std::optional<fwup::Version> updatedVersion;
    int recognitionsOnceUpdated = -1;
    std::optional<QString> serialOnceUpdated;
    int calls = 0;
};

// Notes, from the device file putter's own log lines, when it sent its last chunk, each GET and when
// it gave up. One at a time.
class GetScheduleRecorder {
public:
    GetScheduleRecorder() {
        current_ = this;
        clock_.start();
        previous_ = qInstallMessageHandler(&GetScheduleRecorder::record);
    }
    ~GetScheduleRecorder() {
        qInstallMessageHandler(previous_);
        current_ = nullptr;
    }
    GetScheduleRecorder(const GetScheduleRecorder&) = delete;
    GetScheduleRecorder& operator=(const GetScheduleRecorder&) = delete;

    // The GETs went out at base x 1, 2, 4, 16, 64, 128 and 256 ms after the chunk, each counted from
    // the chunk and late by no more than a busy machine's slack, and the putter gave up base x 512 ms
    // after the last.
    void verify(qint64 baseMs) const {
        QCOMPARE(gets_.size(), qsizetype(fwup::MuppetDeviceFilePutter::RETRY_MULTIPLES.size()));
        for (qsizetype i = 0; i < gets_.size(); ++i) {
            const qint64 due = baseMs * fwup::MuppetDeviceFilePutter::RETRY_MULTIPLES[std::size_t(i)];
            const qint64 at = gets_[i] - chunkSent_;
            QVERIFY2(at >= due - 1 && at <= due + due / 8 + 200,
                     qPrintable(QStringLiteral("GET %1 after %2 ms").arg(i + 1).arg(at)));
        }
        const qint64 finalWait = baseMs * fwup::MuppetDeviceFilePutter::FINAL_WAIT_MULTIPLE;
        const qint64 gaveUp = gaveUp_.value_or(0) - gets_.last();
        QVERIFY2(gaveUp_ && gaveUp >= finalWait && gaveUp <= finalWait + finalWait / 16 + 300,
                 qPrintable(QStringLiteral("gave up after %1 ms").arg(gaveUp)));
    }

private:
    static void record(QtMsgType type, const QMessageLogContext& context, const QString& message) {
        GetScheduleRecorder* self = current_;
        if (message == QLatin1String("GET file put LPD")) {
            self->gets_.append(self->clock_.elapsed());
        } else if (message.startsWith(QLatin1String("Transition ISSUE_FILE_PUT_LPD -> WAIT_FOR_FILE_PUT"))) {
            self->chunkSent_ = self->clock_.elapsed();
        } else if (message == QLatin1String("Command retry exceeded, giving up")) {
            self->gaveUp_ = self->clock_.elapsed();
        }
        self->previous_(type, context, message);
    }

    static inline GetScheduleRecorder* current_ = nullptr;
    QtMessageHandler previous_ = nullptr;
    QElapsedTimer clock_;
    qint64 chunkSent_ = 0;
    QList<qint64> gets_;
    std::optional<qint64> gaveUp_;
};

} // namespace legacy_test
