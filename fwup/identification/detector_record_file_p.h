#pragma once

#include <QJsonArray>
#include <QString>

#include <optional>

// Reading and writing the record file's array, shared by both record forms.
namespace fwup::detail {

// The array in the file; empty for a missing file or one that holds something else. A file that is
// not JSON at all is first moved aside (move_unreadable_file_aside). Nothing when the file is there but
// cannot be read or kept, so that callers never overwrite what they could not see.
std::optional<QJsonArray> readRecordArray(const QString& recordFilePath);

// Replaces the file atomically with the indented array; a failed write keeps the old file.
bool writeRecordArray(const QString& recordFilePath, const QJsonArray& records);

} // namespace fwup::detail
