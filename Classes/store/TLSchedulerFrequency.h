#pragma once
// TLSchedulerFrequency and TLSchedulerReminder: how often a scheduled
// transaction falls due and when its calendar event reminds — the
// `frequency` and `reminderType` of a "ScheduledBill" record. The values are
// written into the store and shared with the desktop companion: they are
// stored and never change. A value outside the lists below is kept as it is
// and read as "no step" (frequency) or "no alarm" (reminder).
//
// Frequency, with the step that moves the due date on:
//   OneTime 0 (none)   EveryDay 1   EveryWeek 2   EveryTwoWeeks 3
//   EveryFourWeeks 4 (28 days)   Monthly 5   EveryTwoMonths 6   Quarterly 7
//   EverySixMonths 8   Annually 9
//
// Reminder, with the alarm's offset from the event's start:
//   None 0   FiveMinutesBefore 1   FifteenMinutesBefore 2
//   ThirtyMinutesBefore 3   OneHourBefore 4   TwoHoursBefore 5
//   OneDayBefore 6   TwoDaysBefore 7   OnDateOfEvent 8 (at the start)

namespace tallo {

namespace TLSchedulerFrequency {

inline constexpr int OneTime = 0;
inline constexpr int EveryDay = 1;
inline constexpr int EveryWeek = 2;
inline constexpr int EveryTwoWeeks = 3;
inline constexpr int EveryFourWeeks = 4;
inline constexpr int Monthly = 5;
inline constexpr int EveryTwoMonths = 6;
inline constexpr int Quarterly = 7;
inline constexpr int EverySixMonths = 8;
inline constexpr int Annually = 9;

}  // namespace TLSchedulerFrequency

namespace TLSchedulerReminder {

inline constexpr int None = 0;
inline constexpr int FiveMinutesBefore = 1;
inline constexpr int FifteenMinutesBefore = 2;
inline constexpr int ThirtyMinutesBefore = 3;
inline constexpr int OneHourBefore = 4;
inline constexpr int TwoHoursBefore = 5;
inline constexpr int OneDayBefore = 6;
inline constexpr int TwoDaysBefore = 7;
inline constexpr int OnDateOfEvent = 8;

}  // namespace TLSchedulerReminder

}  // namespace tallo
