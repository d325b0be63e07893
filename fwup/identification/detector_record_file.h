#pragma once

#include <QString>

// The record of identified detectors ("summit_index.json"): a JSON array with one object per part,
// {"serialNumber", "detectorType", "userVerificationCode"}, all strings. A pod in its bootloader
// cannot tell its model, so its type is looked up here by serial number.
namespace fwup {

// The "detectorType" of the first entry with exactly this serial number; empty when there is none
// or the file cannot be read.
QString find_detector_name_by_serial_number(const QString& recordFilePath, const QString& serialNumber);

// Sets name and code of the entry with this serial number, or appends one. Entries of other shapes
// are kept. A file that exists but cannot be read is left alone, and one that is not JSON is kept
// under another name first, so that one damaged file never costs the other detectors their entries;
// the file is replaced atomically.
void update_detector_serial_number_and_name(const QString& recordFilePath, const QString& serialNumber,
                                            const QString& userVerificationCode, const QString& detectorName);

// A guessed name: it contains "speculative", or it is empty.
bool is_detector_type_speculative(const QString& name);

} // namespace fwup
