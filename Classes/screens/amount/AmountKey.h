#pragma once
// AmountKey: the tags of the amount keypad's keys besides the digits, which
// are tagged 0 to 9 by their value. The on-screen keys and the computer's
// keyboard both arrive as these tags. Not stored; the numbers never change.

namespace tallo::AmountKey {

inline constexpr int Currency = 10;   // chooses the currency (budget limits: every month)
inline constexpr int Point = 11;
inline constexpr int Plus = 12;
inline constexpr int Minus = 13;
inline constexpr int Equals = 14;
inline constexpr int Backspace = 15;

}  // namespace tallo::AmountKey
