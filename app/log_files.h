#pragma once

class QDir;
class QSettings;
class QString;

// The log files in the data directory: "log_0" to "log_4" in turn, one per start, and
// "last_crash.log", a copy of the log of the latest run that did not end cleanly. The settings are
// the program's ("clean_shutdown", "last_log_file_path", "log_file_number").

// When "clean_shutdown" (default true) reads false, replaces "last_crash.log" with a copy of the file
// named by "last_log_file_path". A previous crash copy stays only when that file cannot be read.
// Returns whether a copy was made.
bool copyCrashLog(const QDir& dataDirectory, const QSettings& settings);

// Advances "log_file_number" (default 5; 0 after 4 and above, else one more) and stores and returns
// the new log path, "<data directory>/log_<number>", as "last_log_file_path".
QString rotateLogFile(const QDir& dataDirectory, QSettings& settings);

// Opens standard output and the log file (emptied) as the message handler's outputs. A file that
// cannot be opened is left closed; the handler then skips it.
void openLogOutputs(const QString& logPath);

// The whole set-up at start-up: crash copy, rotation, both outputs, the "Logging to:" line (still
// through Qt's default handler) and then the installation of logMessageHandler.
void setUpLogFiles(const QDir& dataDirectory, QSettings& settings);
