#pragma once
// TLBarButtonType: the buttons a screen puts at either end of its navigation
// bar — the argument of TLNavigationViewC::setLeftBarButtonType and
// setRightBarButtonType, the same for both sides. They are not stored; each
// screen asks for its buttons by these numbers, which never change. The left
// button runs the screen's leftAction, the right one its rightAction.
//
//   Done 0       "Done" (the done style)    Cancel 1     "Cancel"
//   Edit 2       "Edit"                     Add 4        "+" (the lists' add button)
//   Home 7       "Home"                     Now 9        "Now"
//   Settings 10  "Settings"                 Back 11      "Back" (arrow-shaped, left)
//   Next 20      "Next" (the done style, where a step follows)
//
// Another number shows a "?" button.

namespace tallo::TLBarButtonType {

inline constexpr int Done = 0;
inline constexpr int Cancel = 1;
inline constexpr int Edit = 2;
inline constexpr int Add = 4;
inline constexpr int Home = 7;
inline constexpr int Now = 9;
inline constexpr int Settings = 10;
inline constexpr int Back = 11;
inline constexpr int Next = 20;

}  // namespace tallo::TLBarButtonType
