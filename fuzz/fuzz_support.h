#pragma once

// What every fuzz target shares: silent logging, a notifier that ignores reports and a scratch
// directory for the targets that read real files.

#include "logging/log.h"
#include "muppet/buffer.h"
#include "muppet/notifier.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace fuzzsupport {

inline void dropMessages(QtMsgType, const QMessageLogContext&, const QString&) {
}

// Every message is dropped before it reaches a stream, and the in-house back end does not even format
// its lines: a target that logs per input runs at a fraction of its speed.
inline void silenceLogging() {
    qInstallMessageHandler(dropMessages);
    for (unsigned char& enabled : cvsw::log::detail::LogCore::enabledLevels_) {
        enabled = 0;
    }
}

class SilentNotifier final : public cvsw::muppet::Notifier {
public:
    void notify(std::uint32_t, std::uint32_t) override {}
    void notify(std::uint32_t, std::uint32_t, std::uint32_t) override {}
};

inline SilentNotifier& notifier() {
    static SilentNotifier silent;
    return silent;
}

// The bytes of one read, handed to a decoder in place: decoders only read their input buffer, so the
// bytes need not be copied into one.
class ReadView final : public cvsw::muppet::Buffer {
public:
    ReadView(const std::uint8_t* data, std::size_t size)
        : data_(const_cast<std::uint8_t*>(data))
        , size_(size) {}

    std::size_t size() const override { return size_; }
    std::uint8_t* data() override { return data_; }
    const std::uint8_t* data() const override { return data_; }
    void consume(cvsw::muppet::Notifier&, std::size_t) override { std::abort(); }
    void clear() override { std::abort(); }
    std::size_t freeSpace() const override { return 0; }
    std::uint8_t* prepare(cvsw::muppet::Notifier&, std::size_t) override { return nullptr; }
    void commit(cvsw::muppet::Notifier&, std::size_t) override { std::abort(); }

private:
    std::uint8_t* data_;
    std::size_t size_;
};

// One directory for the whole run, under TMPDIR (scripts/fuzz.sh points it at a RAM disk), removed
// at exit.
inline QDir& scratchDirectory() {
    static QTemporaryDir directory(QDir::tempPath() + QStringLiteral("/cuu-fuzz-XXXXXX"));
    if (!directory.isValid()) {
        qFatal("cannot create a scratch directory");
    }
    static QDir dir(directory.path());
    return dir;
}

// Replaces the file's contents with the bytes; plain system calls, nothing allocated.
inline void writeFile(const QByteArray& path, const std::uint8_t* data, std::size_t size) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        std::abort();
    }
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, data + written, size - written);
        if (n <= 0) {
            std::abort();
        }
        written += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

// Removes every file of the directory whose name `keep` refuses, after each input: copies that the
// program sets aside carry the second in their names, and it finds no free name after a hundred in
// one second. Plain system calls; a directory of a few files costs a few microseconds.
template <typename Keep>
void removeFilesExcept(const QByteArray& directory, Keep keep) {
    DIR* entries = ::opendir(directory.constData());
    if (entries == nullptr) {
        std::abort();
    }
    while (const dirent* entry = ::readdir(entries)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0 && !keep(name)) {
            ::unlinkat(::dirfd(entries), name, 0);
        }
    }
    ::closedir(entries);
}

} // namespace fuzzsupport
