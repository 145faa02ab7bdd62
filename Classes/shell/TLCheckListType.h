#pragma once
// TLCheckListType: how a TLCheckListViewC takes a choice — its `type`, set by
// the screen that opens it. Not stored; the numbers never change.
//
//   ChooseOneAndClose 0: tapping a row makes it the only checked one and
//                        closes the list; "Cancel" closes it unchanged.
//                        The account type, frequency and reminder choosers.
//   ChooseOneAndStay 1:  the same, but the list stays open.
//   ChooseSeveral 2:     tapping a row checks or unchecks it alone (so does
//                        any other number).

namespace tallo::TLCheckListType {

inline constexpr int ChooseOneAndClose = 0;
inline constexpr int ChooseOneAndStay = 1;
inline constexpr int ChooseSeveral = 2;

}  // namespace tallo::TLCheckListType
