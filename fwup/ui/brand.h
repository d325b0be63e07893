#pragma once

namespace fwup {

// The product line this build is dressed for: the window's logo and the about dialog's icon.
struct Brand {
    const char* key;
    const char* logo;
    const char* applicationIcon;
};

inline constexpr Brand brand_in_use{"summit_pro", ":/SUMMIT-PRO-logo.png",
                                    ":/Corvane-update-App-Icon-No-BG.png"};

} // namespace fwup
