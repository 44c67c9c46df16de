#pragma once
// Date: a calendar day without time, counted as a serial day number (day 0 = 1899-12-30, the
// serial used by the stored database dates of the original files). The database stores dates as
// the integer YYYYMMDD (see ymd()), which sorts like the date and reads well in SQL.
#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

class Date {
public:
    Date() = default;
    static Date fromSerial(int serial) { return Date(serial); }
    // Nothing when the day does not exist (2026-02-30, month 13, year 0).
    static std::optional<Date> fromYmd(int year, int month, int day);
    // From the stored integer YYYYMMDD; nothing when it is not a real day.
    static std::optional<Date> fromYmdInt(long long ymd);
    // Today in local time.
    static Date today();

    // Date text as a user or a file gives it: "YY/MM/DD", "YYYY/MM/DD", "YYYY-MM-DD" (one-digit month
    // and day allowed). Two-digit years: 00-49 are 2000-2049, 50-99 are 1950-1999.
    static std::optional<Date> parse(std::string_view text);

    // A date as a user types it into a date box: "YYYY/MM/DD", "YY/MM/DD", "YYMMDD" or "YYYYMMDD",
    // full-width digits and slashes (from the IME) read as their ASCII forms, spaces around ignored.
    // Two-digit years as parse. Nothing for anything else or a day that does not exist.
    static std::optional<Date> parseEntry(std::string_view text);

    int serial() const { return m_serial; }
    int year() const;
    int month() const;
    int day() const;
    // Weekday counted with Sunday as 1 and Saturday as 7.
    int weekday() const;
    bool isWeekend() const { return weekday() == 1 || weekday() == 7; }
    long long ymd() const; // YYYYMMDD
    Date addDays(int n) const { return Date(m_serial + n); }
    int daysUntil(Date later) const { return later.m_serial - m_serial; }

    std::string toYYMMDD() const;   // "26/12/06"
    std::string toIso() const;      // "2026-12-06"
    std::string toSlashed() const;  // "2026/12/06", the form a date box and a message show
    std::string toYYYYMMDD() const; // "20261206"

    auto operator<=>(const Date&) const = default;

private:
    explicit Date(int serial) : m_serial(serial) {}
    int m_serial = 0;
};

// The same date when it is a Friday, else the nearest earlier Friday.
Date PrevFriday(Date d);
// The same date when it is a Monday, else the nearest earlier Monday.
Date PrevMonday(Date d);
// The same date when it is a Friday, else the nearest later Friday.
Date NextFriday(Date d);
// The same date when it is a Monday, else the nearest later Monday.
Date NextMonday(Date d);

// Japanese one-character weekday name ("日" for Sunday ... "土").
std::string weekdayName(Date d);

} // namespace kestrel
