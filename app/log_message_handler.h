#pragma once

#include <QtGlobal>

class QMessageLogContext;
class QString;

// The program's Qt message handler. Drops debug messages and writes every other one as
// "   Loc: [<file>:<line>] <W|C|F|I> - <message>\n" in Latin-1 (a "?" for every other character),
// flushed to the log file and then to standard output (cvsw::cvbv3::messageHandlerLogFile() and
// messageHandlerStandardOutput()). An output that is not open is skipped.
void logMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message);
