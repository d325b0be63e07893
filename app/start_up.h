#pragma once

#include <QDir>
#include <QString>
#include <QStringList>
#include <QUrl>

class QByteArray;
class QSettings;

// The small steps of start-up and shut-down that main takes with the program's settings.

// "3.49.0".
QString applicationVersionString();

// The first per-user application data location, created when it does not exist yet. Needs the
// application and organisation names to be set.
QDir applicationDataDirectory();

// Marks the run as under way: "clean_shutdown" false until markRunEnded, and "NSAppSleepDisabled" true
// (read by macOS only, to keep the program from napping while it works).
void markRunStarted(QSettings& settings);

// The update service's base URL from "update_server", the service's own when unset; never written back.
QUrl updateServerUrl(const QSettings& settings);

// After the event loop returned normally: "clean_shutdown" true and the window's geometry.
void markRunEnded(QSettings& settings, const QByteArray& windowGeometry);

// The geometry markRunEnded stored; empty when none was.
QByteArray savedWindowGeometry(const QSettings& settings);

// The switch that saves every page in every language, matched exactly anywhere in the arguments.
bool wantsScreenshotMode(const QStringList& arguments);
