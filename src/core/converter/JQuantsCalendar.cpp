#include "core/converter/JQuantsCalendar.h"

#include "core/app/DateText.h"

#include <nlohmann/json.hpp>

namespace kestrel::converter::jquants {

Result<std::vector<db::CalendarDay>> parseCalendar(const std::vector<std::string>& pages, const std::string& context) {
    using R = Result<std::vector<db::CalendarDay>>;
    std::vector<db::CalendarDay> out;
    for (const std::string& body : pages) {
        auto page = nlohmann::json::parse(body, nullptr, false);
        if (page.is_discarded())
            return R::error(context + ": J-Quants の応答が JSON として読めません");
        if (!page.is_object() || !page.contains("data") || !page["data"].is_array())
            return R::error(context + ": J-Quants の応答に data がありません");
        for (const auto& row : page["data"]) {
            if (!row.is_object() || !row.contains("Date") || !row["Date"].is_string())
                return R::error(context + ": 日付のない行があります");
            auto date = Date::parse(row["Date"].get<std::string>());
            if (!date)
                return R::error(context + ": 日付 " + row["Date"].get<std::string>() + " が読めません");
            // HolDiv as a string ("0".."3"), or a number from a lenient server.
            int holDiv = -1;
            if (auto it = row.find("HolDiv"); it != row.end()) {
                if (it->is_string() && it->get<std::string>().size() == 1)
                    holDiv = it->get<std::string>()[0] - '0';
                else if (it->is_number_integer())
                    holDiv = it->get<int>();
            }
            if (holDiv < 0 || holDiv > 3)
                return R::error(context + ": " + shownDate(*date) + " の休日区分が読めません");
            out.push_back({*date, holDiv});
        }
    }
    return out;
}

std::vector<Date> marginDaysOfWeek(const db::MarketCalendar& calendar, Date friday) {
    std::vector<Date> out;
    for (int back = 0; back < 5; ++back) {
        Date d = friday.addDays(-back);
        if (!calendar.isOpen(d))
            continue;
        out.push_back(d);
        if (d.ymd() >= kDailyMarginFrom)
            break;
    }
    return out;
}

} // namespace kestrel::converter::jquants
