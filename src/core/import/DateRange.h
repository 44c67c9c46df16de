#pragma once
// The date checks the import screens and commands share, with the system's messages and the box
// that gets the focus afterwards.
#include "core/app/Date.h"

#include <optional>
#include <string>

namespace kestrel::import {

inline constexpr const char* kBadDate = "日付の入力が誤っています。";
inline constexpr const char* kBadRange = "日付の範囲が誤っています。";
inline constexpr const char* kStartNotMonday = "期間自は必ず月曜日を指定して下さい。";
inline constexpr const char* kEndNotFriday = "期間至は必ず金曜日を指定して下さい。";

enum class DateBox { None, Start, End };

struct RangeCheck {
    std::string message; // empty when the range is fine
    DateBox focus = DateBox::None;
    bool ok() const { return message.empty(); }
};

// Both must be dates, the end not before the start; with weekSpan the start must be a Monday and the
// end a Friday. The first failed check gives its message.
RangeCheck checkDateRange(const std::optional<Date>& start, const std::optional<Date>& end, bool weekSpan);

} // namespace kestrel::import
