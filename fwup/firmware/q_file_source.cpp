#include "fwup/firmware/q_file_source.h"

#include <stdexcept>

namespace cvsw::cvbv3 {

QFileSource::QFileSource(const QString& path)
    : file_(path) {
    if (!QFile::exists(path)) {
        throw std::runtime_error("File does not exist");
    }
    if (!file_.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("File could not be opened");
    }
}

QFileSource::~QFileSource() = default;

int QFileSource::size() {
    return checkedSize(file_.size());
}

void QFileSource::skip(int n) {
    if (!file_.seek(file_.pos() + n)) {
        throw std::runtime_error("Failed to seek forward");
    }
}

void QFileSource::seek(int position) {
    if (!file_.seek(position)) {
        throw std::runtime_error("Failed to seek to exact position");
    }
}

int QFileSource::position() {
    return static_cast<int>(file_.pos());
}

int QFileSource::read(char* buffer, int n) {
    if (n <= 0) {
        return 0;
    }
    const qint64 count = file_.read(buffer, n);
    if (count < 0) {
        throw std::runtime_error("Failed to read");
    }
    return static_cast<int>(count);
}

} // namespace cvsw::cvbv3
