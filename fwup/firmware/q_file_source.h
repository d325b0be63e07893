#pragma once

#include "cvbv3/file_source.h"

#include <QFile>
#include <QString>

namespace cvsw::cvbv3 {

// The store a container file is loaded from, over a QFile opened read-only. Every fault throws
// std::runtime_error.
class QFileSource : public FileSource {
public:
    // Throws "File does not exist" or "File could not be opened".
    explicit QFileSource(const QString& path);
    ~QFileSource() override;

    // A file of 2^31 bytes or more is refused with std::out_of_range.
    int size() override;
    void skip(int n) override;
    void seek(int position) override;
    // Exact, buffering included: block reads skip their seek when the position already matches.
    int position() override;
    int read(char* buffer, int n) override;

private:
    QFile file_;
};

} // namespace cvsw::cvbv3
