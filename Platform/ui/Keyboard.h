#pragma once
// The keyboard's notifications, as the platform posts them when a text
// field starts and ends editing, with the keyboard's frames (points) as
// userInfo. Table screens make room for the keyboard on will-show and give
// it back on will-hide.

#include "Platform/ui/View.h"

namespace tallo {

inline constexpr const char* kKeyboardWillShowNotification = "UIKeyboardWillShowNotification";
inline constexpr const char* kKeyboardWillHideNotification = "UIKeyboardWillHideNotification";

struct KeyboardInfo {
    Rect beginFrame;  // where the keyboard starts its animation
    Rect endFrame;
};

// The keyboard of the 320-point screen: 216 points high at the bottom.
inline KeyboardInfo standardKeyboardInfo(bool showing) {
    Rect shown{0, 264, 320, 216};
    Rect off{0, 480, 320, 216};
    return showing ? KeyboardInfo{off, shown} : KeyboardInfo{shown, off};
}

}  // namespace tallo
