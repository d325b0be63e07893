#pragma once

// Shared by the firmware-file tests: the Lodestar tags and keys, quick builders of Lodestar firmware
// blocks, a capture of everything logged and a limit on file sizes.

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include "fwup/firmware/block_keys.h"
#include "tests/support/containers/cvb_test_keys.h"
#include "tests/support/containers/firmware_metadata.h"
#include "tests/support/containers/test_containers.h"

#include <csignal>
#include <sys/resource.h>

namespace fwtest {

using namespace cvbtest;

inline const fwup::BlockTag PodTag1 = makeTag("LDSTCP01");
inline const fwup::BlockTag PodTag2 = makeTag("LDSTCP02");
inline const fwup::BlockTag CpuAppTag = makeTag("LDSTJNA1");
inline const fwup::BlockTag CpuNetTag = makeTag("LDSTJNN1");

inline constexpr const Secret& PodSecret1 = LodestarModel1ProductionSecret;
inline constexpr const Secret& PodSecret2 = LodestarModel2ProductionSecret;
inline constexpr const Secret& CpuAppSecret = LodestarJuniperCpuAppProductionSecret;
inline constexpr const Secret& CpuNetSecret = LodestarJuniperCpuNetProductionSecret;

// Every message logged while it lives, formatted as the message text alone.
class MessageCapture {
public:
    MessageCapture() {
        messages().clear();
        types().clear();
        previous_ = qInstallMessageHandler(&MessageCapture::handle);
    }
    ~MessageCapture() { qInstallMessageHandler(previous_); }
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    static QStringList& messages() {
        static QStringList list;
        return list;
    }
    static QList<QtMsgType>& types() {
        static QList<QtMsgType> list;
        return list;
    }
    // Messages of one level.
    static QStringList of(QtMsgType type) {
        QStringList result;
        for (qsizetype i = 0; i < messages().size(); ++i) {
            if (types()[i] == type) {
                result << messages()[i];
            }
        }
        return result;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext&, const QString& message) {
        messages() << message;
        types() << type;
    }
    QtMessageHandler previous_;
};

// Files can grow to at most this many bytes while it lives, as on a nearly full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

inline BlockLayout podBlock(std::string_view tag, const Secret& secret, MbuHeaderLayout header,
                            const Bytes& image) {
    return firmwareBlock(tag, mbuHeader(header), image, secret);
}

inline BlockLayout cpuAppBlock(CpuAppHeaderLayout header, const Bytes& image) {
    return firmwareBlock("LDSTJNA1", cpuAppHeader(header), image, CpuAppSecret);
}

inline BlockLayout cpuNetBlock(CpuNetHeaderLayout header, const Bytes& image) {
    return firmwareBlock("LDSTJNN1", cpuNetHeader(header), image, CpuNetSecret);
}

// A block of some other family, unencrypted.
inline BlockLayout foreignBlock(std::string_view tag = "GRAPHAS1", std::size_t size = 100) {
    BlockLayout block;
    block.tag = std::string(tag);
    block.plain = patternBytes(size, 77);
    block.encrypted = false;
    return block;
}

} // namespace fwtest
