#include "core/converter/JQuantsFins.h"

#include "core/db/CalendarTable.h"
#include "core/fins/Disclosure.h"

#include <cstdio>

namespace kestrel::converter::jquants {

namespace {

const char* kPath = "/fins/summary";

void say(const std::function<void(const std::string&)>& to, const std::string& line) {
    if (to)
        to(line);
}

} // namespace

FinsFetchOutcome fetchFins(const FinsFetchRequest& request, JQuantsApi& api, db::Database& db,
                           const std::string& fetchedAt, const FinsFetchHooks& hooks) {
    FinsFetchOutcome out;
    struct Ask {
        Query query;
        std::string context;
        std::optional<Date> day;
    };
    std::vector<Ask> asks;
    if (request.code > 0) {
        char code5[16];
        std::snprintf(code5, sizeof code5, "%04d0", request.code);
        asks.push_back({{{"code", code5}}, std::to_string(request.code) + " の決算情報", std::nullopt});
    } else {
        auto calendar = db::loadCalendar(db, request.from, request.to);
        if (!calendar) {
            out.status = calendar.status();
            return out;
        }
        for (Date d : calendar->openDays(request.from, request.to))
            asks.push_back({{{"date", d.toIso()}}, d.toIso() + " の決算情報", d});
    }
    const int total = static_cast<int>(asks.size());
    for (int i = 0; i < total; ++i) {
        const Ask& a = asks[i];
        if (hooks.progress)
            hooks.progress(i, total);
        if (api.cancelled()) {
            out.cancelled = true;
            return out;
        }
        if (out.window && a.day && !out.window->contains(*a.day)) {
            ++out.daysOutside;
            continue;
        }
        auto pages = api.getPages(kPath, a.query, a.context);
        if (!pages) {
            Failure f = api.lastFailure();
            if (api.cancelled()) {
                out.cancelled = true;
                return out;
            }
            if (f.kind == FailureKind::Window && f.window && a.day && !out.window) {
                out.window = f.window;
                ++out.daysOutside;
                continue;
            }
            if (f.kind == FailureKind::Plan) {
                out.planRefused = true;
                say(hooks.warn, "決算情報はご契約のプランでは取得できません。決算情報なしで続けます。");
                return out;
            }
            out.status = pages.status();
            return out;
        }
        auto parsed = fins::parseDisclosures(*pages, a.context);
        if (!parsed) {
            out.status = parsed.status();
            return out;
        }
        for (const std::string& line : parsed->problems)
            say(hooks.warn, line);
        auto stored = fins::storeDisclosures(db, parsed->rows, fetchedAt);
        if (!stored) {
            out.status = stored.status();
            return out;
        }
        out.rows += *stored;
        out.skipped += parsed->skipped;
        ++out.days;
        say(hooks.log, a.context + ": " + std::to_string(*stored) + " 件");
    }
    if (hooks.progress)
        hooks.progress(total, total);
    if (out.window && out.daysOutside > 0)
        say(hooks.warn, "ご契約のプランで取得できる期間は " + out.window->text() + " です。範囲のうち " +
                            std::to_string(out.daysOutside) + " 日は期間外のため取得しません。");
    return out;
}

} // namespace kestrel::converter::jquants
