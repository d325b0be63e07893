#pragma once

// The names under which the program keeps its settings. They differ from the application name that
// the window shows, so every QSettings of the program is opened with these two explicitly.
inline constexpr char SETTINGS_ORGANISATION[] = "Corvane";
inline constexpr char SETTINGS_APPLICATION[] = "corvane-update-utility-summit-pro";
