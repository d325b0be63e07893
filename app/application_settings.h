#pragma once

// The names under which the program keeps its settings. They differ from the application name that
// the window shows, so every QSettings of the program is opened with these two explicitly.
inline constexpr char SETTINGS_ORGANISATION[] = "Corvane";
inline constexpr char SETTINGS_APPLICATION[] = "corvane-update-utility-summit-pro";

// Keys read and written in more than one place.
inline constexpr char SETTINGS_CLEAN_SHUTDOWN[] = "clean_shutdown";
inline constexpr char SETTINGS_WINDOW_GEOMETRY[] = "window_geometry";
