#pragma once
// TLPasscodeOperation: the step the passcode entry screen is in — the
// argument of PasscodeEditViewC::setOperation. Each step has its action line
// and the value the four digits are compared with:
//
//   EnterNew 0        "Enter your new passcode"    (nothing to compare)
//   ConfirmNew 1      "Confirm your new passcode"  the digits just entered
//   VerifyToChange 2  "Enter your old passcode"    the stored passcode
//   VerifyToRemove 3  "Enter your old passcode"    the stored passcode
//   Unlock 4          "Enter your passcode"        the stored passcode

namespace tallo::TLPasscodeOperation {

inline constexpr int EnterNew = 0;
inline constexpr int ConfirmNew = 1;
inline constexpr int VerifyToChange = 2;
inline constexpr int VerifyToRemove = 3;
inline constexpr int Unlock = 4;

}  // namespace tallo::TLPasscodeOperation
