#include "core/converter/JQuantsRun.h"

#include "core/app/DateText.h"
#include "core/app/Files.h"
#include "core/converter/JQuantsCalendar.h"
#include "core/converter/JQuantsData.h"
#include "core/converter/JQuantsFins.h"
#include "core/db/Schema.h"
#include "core/import/DailyFile.h"
#include "core/import/DataGaps.h"
#include "core/import/IssueMaster.h"

#include <algorithm>
#include <ctime>
#include <map>
#include <set>

namespace kestrel::converter::jquants {

namespace {

struct Run {
    const RunRequest& req;
    JQuantsApi& api;
    const RunHooks& hooks;
    RunOutcome out;
    std::set<std::string> skipped;
    std::map<int, MasterRow> m_master;
    std::set<int> m_lookedUp;
    std::set<int> m_masterDates; // serials of the days whose list was asked
    Date m_from, m_to;
    db::MarketCalendar m_calendar;
    bool m_counted = false; // the latest days counted on the calendar

    void log(const std::string& text) const {
        if (hooks.log)
            hooks.log(text);
    }
    void warn(const std::string& text) const {
        if (hooks.warn)
            hooks.warn(text);
        else
            log(text);
    }
    // False (and the outcome set) when the run must end: an error, or the user asked to stop.
    bool stopped() {
        if (api.cancelled()) {
            out.cancelled = true;
            return true;
        }
        return false;
    }
    Result<std::vector<std::string>> get(const std::string& path, const Query& q, const std::string& context) {
        auto pages = api.getPages(path, q, context);
        if (!pages && api.cancelled())
            out.cancelled = true;
        return pages;
    }

    bool dayDone(Date d) const {
        return !req.refetch && fileExists(joinPath(req.dailyFolder, import::dailyFileName(d)));
    }

    // The issue lists of the days, merged into into (a later day's name and market win).
    Status fetchMaster(const std::vector<Date>& dates, std::map<int, MasterRow>& into) {
        for (Date d : dates) {
            std::string context = shownDate(d) + " の銘柄一覧";
            auto pages = get("/equities/master", {{"date", d.toIso()}}, context);
            if (!pages)
                return pages.status();
            auto rows = parseMaster(*pages, context);
            if (!rows)
                return rows.status();
            skipped.insert(rows->skippedCodes.begin(), rows->skippedCodes.end());
            for (MasterRow& row : rows->rows)
                into[row.code] = std::move(row);
        }
        return Status::ok();
    }
    std::vector<MasterRow> masterRows() const {
        std::vector<MasterRow> rows;
        for (const auto& [code, row] : m_master)
            rows.push_back(row);
        return rows;
    }
    Status writeRegistMei() {
        // A folder that cannot be made is reported by the first file written into it.
        (void)makeDir(req.dataFolder);
        if (Status st = writeMasterFiles(req.dataFolder, m_to, masterRows()); !st)
            return st;
        log(std::string(import::kMasterFileName) + " を作成しました（" + std::to_string(m_master.size()) + " 銘柄）。");
        return Status::ok();
    }
    // An issue traded on a day but in neither list (listed and gone within the range) is looked up in
    // that day's list, once per code; true when the snapshot grew.
    Result<bool> lookUpUnknown(const std::vector<BarRow>& bars, Date d, IssueMaster& snapshot) {
        bool unknown = false;
        for (const BarRow& bar : bars)
            if (!snapshot.find(bar.code) && m_lookedUp.insert(bar.code).second)
                unknown = true;
        if (!unknown)
            return false;
        std::map<int, MasterRow> day;
        if (Status st = fetchMaster({d}, day); !st)
            return st;
        bool grew = false;
        for (auto& [code, row] : day) {
            if (!snapshot.find(code)) {
                snapshot.set(code, {true, row.market, row.name, 1, 1});
                m_master.emplace(code, std::move(row));
                grew = true;
            }
        }
        return grew;
    }

    void recordSplitsOf(const std::vector<BarRow>& bars, Date d) {
        bool any = false;
        for (const BarRow& bar : bars)
            any = any || bar.adjFactor != 1;
        if (!any)
            return;
        auto db = db::openKestrelDatabase(req.databasePath);
        if (!db) {
            warn("警告: " + shownDate(d) + " の株式分割を記録できません: " + db.message());
            return;
        }
        auto added = recordSplits(**db, bars);
        if (!added)
            warn("警告: " + shownDate(d) + " の株式分割を記録できません: " + added.message());
        else
            out.splitsProposed += *added;
    }

    void margins() {
        for (Date friday = NextFriday(m_from); friday <= m_to; friday = friday.addDays(7)) {
            if (stopped())
                return;
            // The balances of a week carry the date of its last open day: Friday, or earlier in a
            // week that ends with a holiday.
            const std::vector<Date> asked = marginDaysOfWeek(m_calendar, friday);
            bool kept = false;
            for (Date d : asked)
                kept = kept || (!req.refetch && fileExists(joinPath(req.marginFolder, import::marginFileName(d))));
            if (kept)
                continue;
            for (Date d : asked) {
                std::string context = shownDate(d) + " の信用残";
                auto pages = get("/markets/margin-interest", {{"date", d.toIso()}}, context);
                if (!pages && api.lastFailure().kind == FailureKind::Plan) {
                    lacking("信用残", Plan::Standard, true);
                    return;
                }
                if (!pages) {
                    out.status = pages.status();
                    return;
                }
                auto rows = parseMargin(*pages, context);
                if (!rows) {
                    out.status = rows.status();
                    return;
                }
                if (rows->rows.empty())
                    continue;
                skipped.insert(rows->skippedCodes.begin(), rows->skippedCodes.end());
                Date date = rows->rows.front().date;
                std::string path = joinPath(req.marginFolder, import::marginFileName(date));
                if (Status st = writeFileAtomically(path, marginFileBytes(date, rows->rows)); !st) {
                    out.status = st;
                    return;
                }
                ++out.marginFiles;
                log(import::marginFileName(date) + " を作成しました（" + std::to_string(rows->rows.size()) + " 件）。");
                break;
            }
        }
    }

    // The market calendar of the range: what the database holds, and, unless that names every day,
    // the exchange's (one request), stored for the next run. Without it the weekdays are the open days.
    // A window named in the answer narrows the range (as the master's would) and the calendar is asked
    // once more for the narrowed range; nothing of the range inside the window sets the outcome's status.
    void calendar() {
        if (auto db = db::openKestrelDatabase(req.databasePath, db::OpenMode::ReadOnly))
            if (auto stored = db::loadCalendar(**db, m_from, m_to))
                m_calendar = std::move(*stored);
        if (m_calendar.covers(calendarFrom(), m_to))
            return;
        for (int attempt = 0;; ++attempt) {
            const Date from = calendarFrom();
            std::string context = "営業日カレンダー";
            auto pages = get("/markets/calendar", {{"from", from.toIso()}, {"to", m_to.toIso()}}, context);
            if (!pages && attempt == 0 && !out.cancelled && takeWindow(api.lastFailure()))
                continue;
            if (!out.status)
                return;
            Result<std::vector<db::CalendarDay>> days =
                pages ? parseCalendar(*pages, context) : Result<std::vector<db::CalendarDay>>(pages.status());
            if (!days) {
                // A key the service refuses ends the run here: every other request would be refused too.
                if (!pages && api.lastFailure().kind == FailureKind::Key)
                    out.status = pages.status();
                else if (!out.cancelled)
                    warn("警告: " + sentence(days.message()) + "土日以外を営業日とします。");
                return;
            }
            for (const db::CalendarDay& day : *days)
                m_calendar.set(day.date, day.holDiv);
            auto db = db::openKestrelDatabase(req.databasePath);
            Status st = db ? db::storeCalendar(**db, *days) : db.status();
            if (!st)
                warn("警告: " + context + "を記録できません: " + st.message());
            return;
        }
    }

    // The first day the calendar is asked for. For the latest days the range is still counted in weekdays
    // then: the span reaches far enough back (as far as the window allows) that, counted again on the
    // calendar, it still lies inside what the calendar names, however many weekdays of it are closed.
    Date calendarFrom() const {
        if (req.latest <= 0)
            return m_from;
        Date from = m_to.addDays(-(2 * req.latest + 14));
        return out.window ? std::max(from, out.window->from) : from;
    }
    // The days of the range: every open day, and those still to fetch.
    void plan(std::vector<Date>& days, std::vector<Date>& todo) const {
        days.clear();
        todo.clear();
        for (Date d = m_from; d <= m_to; d = d.addDays(1)) {
            if (!m_calendar.isOpen(d))
                continue;
            days.push_back(d);
            if (!dayDone(d))
                todo.push_back(d);
        }
    }
    // The last req.latest open days up to end (weekdays where the calendar does not name a day).
    void latestUpTo(Date end) {
        m_to = end;
        m_from = end;
        for (int n = 0; n < req.latest;) {
            if (m_calendar.isOpen(m_from) && ++n == req.latest)
                break;
            m_from = m_from.addDays(-1);
        }
    }
    void sayLatest() const {
        log("ご契約のプランで取得できる期間は " + out.window->text() + " です。最新の " + std::to_string(req.latest) +
            " 日分として " + shownDate(m_from) + "～" + shownDate(m_to) + " を取得します。");
    }
    // A window the service named: true when the run goes on inside it (the range narrowed); false, with
    // the outcome's status set, when nothing of the range lies inside. A second window is not taken.
    bool takeWindow(const Failure& f) {
        if (f.kind != FailureKind::Window || !f.window || out.window)
            return false;
        const DateWindow w = *f.window;
        out.window = w;
        if (req.latest > 0) {
            // Said once the calendar has counted the days again (run()), or here when it has already.
            latestUpTo(w.to && *w.to < m_to ? *w.to : m_to);
            m_from = std::max(m_from, w.from);
            if (m_counted)
                sayLatest();
            return true;
        }
        for (Date d = m_from; d <= m_to; d = d.addDays(1))
            out.daysOutside += m_calendar.isOpen(d) && !w.contains(d) ? 1 : 0;
        warn("ご契約のプランで取得できる期間は " + w.text() + " です。範囲の平日のうち " +
             std::to_string(out.daysOutside) + " 日は期間外のため取得しません。");
        Date from = std::max(m_from, w.from), to = w.to ? std::min(m_to, *w.to) : m_to;
        if (to < from) {
            out.status = Status::error(sentence(f.message) + shownDate(m_from) + "～" + shownDate(m_to) +
                                       " はすべて期間外です。");
            return false;
        }
        m_from = from;
        m_to = to;
        return true;
    }
    // The lists of the range's two ends, narrowing the range once when the service names its window.
    // The latest days ask for the last day's list alone: an issue gone before it is looked up on the
    // day it traded (lookUpUnknown), so a second list would cost a request for nothing.
    Status masterOfEnds() {
        for (int attempt = 0;; ++attempt) {
            std::vector<Date> ends;
            for (Date d : {m_from, m_to})
                if ((req.latest <= 0 || d == m_to) && m_masterDates.insert(d.serial()).second)
                    ends.push_back(d);
            Status st = fetchMaster(ends, m_master);
            if (st || attempt > 0)
                return st;
            if (!takeWindow(api.lastFailure()))
                return out.status ? st : out.status;
            m_masterDates.clear();
            m_master.clear();
        }
    }
    // One line for an endpoint the plan lacks: asked is false when the plan setting kept it from being asked.
    void lacking(const std::string& what, Plan needed, bool asked) {
        const std::string then =
            needed == Plan::Light ? "TOPIX なしで作成します。" : "信用残のファイルは作成しません。";
        if (asked)
            warn(what + "はご契約のプランでは取得できません（" + planName(needed) + " 以上のプランで取得できます）。" +
                 then);
        else
            warn(what + "は " + planName(needed) + " 以上のプランで取得できます（ご契約は " + planName(req.plan) +
                 "）。" + then);
    }

    void run() {
        m_from = req.from;
        m_to = req.to;
        if (req.latest > 0)
            latestUpTo(req.to);
        bool anyUndone = req.master || req.margin;
        for (Date d = m_from; d <= m_to && !anyUndone; d = d.addDays(1))
            anyUndone = !d.isWeekend() && !dayDone(d);
        if (anyUndone) {
            calendar();
            if (!out.status || stopped())
                return;
            // The open days counted again now that the calendar names the holidays.
            if (req.latest > 0) {
                latestUpTo(m_to);
                if (out.window) {
                    m_from = std::max(m_from, out.window->from);
                    sayLatest();
                }
            }
            m_counted = true;
        }
        std::vector<Date> days, todo;
        plan(days, todo);
        if (!todo.empty() || req.master) {
            if (Status st = masterOfEnds(); !st) {
                out.status = st;
                return;
            }
            plan(days, todo);
        }
        for (Date d = m_from; d <= m_to; d = d.addDays(1)) {
            // A closed weekday is told as a holiday, without asking for its prices.
            if (!d.isWeekend() && !m_calendar.isOpen(d)) {
                ++out.holidays;
                log(shownDate(d) + " は休場日です。");
            }
        }
        out.from = m_from;
        out.to = m_to;
        out.daysTotal = static_cast<int>(days.size());
        out.daysKept = out.daysTotal - static_cast<int>(todo.size());
        int done = out.daysKept;
        if (hooks.progress)
            hooks.progress(done, out.daysTotal);
        if (!todo.empty() || req.master) {
            // Without the list every record would be dropped and empty days would pass for finished ones.
            if (m_master.empty()) {
                out.status = Status::error(shownDate(m_to) + " の銘柄一覧: J-Quants に銘柄がありません。");
                return;
            }
            if (req.master) {
                if (Status st = writeRegistMei(); !st) {
                    out.status = st;
                    return;
                }
            }
            auto mei = LoadIssueMaster(req.databasePath);
            IssueMaster snapshot = snapshotMaster(mei ? &*mei : nullptr, masterRows());
            bool masterGrew = false;

            std::map<long long, TopixRow> topix;
            if (!todo.empty() && !planHasTopix(req.plan)) {
                lacking("TOPIX ", Plan::Light, false);
            } else if (!todo.empty()) {
                std::string context = shownDate(todo.front()) + "～" + shownDate(todo.back()) + " の TOPIX";
                auto pages = get("/indices/bars/daily/topix",
                                 {{"from", todo.front().toIso()}, {"to", todo.back().toIso()}}, context);
                if (!pages && api.lastFailure().kind == FailureKind::Plan) {
                    lacking("TOPIX ", Plan::Light, true);
                } else if (!pages) {
                    out.status = pages.status();
                    return;
                } else {
                    auto rows = parseTopix(*pages, context);
                    if (!rows) {
                        out.status = rows.status();
                        return;
                    }
                    for (const TopixRow& row : rows->rows)
                        topix[row.date.ymd()] = row;
                }
            }
            // A folder that cannot be made is reported by the first file written into it.
            (void)makeDir(req.dailyFolder);
            for (Date d : todo) {
                if (stopped())
                    return;
                std::string context = shownDate(d) + " の株価";
                auto pages = get("/equities/bars/daily", {{"date", d.toIso()}}, context);
                if (!pages) {
                    out.status = pages.status();
                    return;
                }
                auto bars = parseBars(*pages, context);
                if (!bars) {
                    out.status = bars.status();
                    return;
                }
                skipped.insert(bars->skippedCodes.begin(), bars->skippedCodes.end());
                if (bars->rows.empty()) {
                    ++out.holidays;
                    log(shownDate(d) + " は休場日です。");
                } else {
                    auto grew = lookUpUnknown(bars->rows, d, snapshot);
                    if (!grew) {
                        out.status = grew.status();
                        return;
                    }
                    masterGrew = masterGrew || *grew;
                    // The proposals go first: a run stopped between the two finds them on resuming
                    // (a proposal already there is not made twice), while the day's file marks it done.
                    recordSplitsOf(bars->rows, d);
                    auto it = topix.find(d.ymd());
                    auto written =
                        writeDailyFile(snapshot, d, bars->rows,
                                       it == topix.end() ? std::nullopt : std::optional(it->second), req.dailyFolder);
                    if (!written) {
                        out.status = written.status();
                        return;
                    }
                    ++out.daysWritten;
                    log(import::dailyFileName(d) + " を作成しました（" + std::to_string(written->records) + " 件）。");
                }
                if (hooks.progress)
                    hooks.progress(++done, out.daysTotal);
            }
            if (req.master && masterGrew) {
                if (Status st = writeRegistMei(); !st) {
                    out.status = st;
                    return;
                }
            }
        }
        if (req.margin && !planHasMargin(req.plan)) {
            lacking("信用残", Plan::Standard, false);
        } else if (req.margin) {
            // A folder that cannot be made is reported by the first file written into it.
            (void)makeDir(req.marginFolder);
            margins();
        }
    }
};

std::string localNowText() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[24];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

// The disclosures of the run's days; whatever happens is a warning, never the run's error.
void fetchDayFins(const RunRequest& req, JQuantsApi& api, const RunHooks& hooks, RunOutcome& out) {
    auto warn = [&](const std::string& line) {
        if (hooks.warn)
            hooks.warn(line);
        else if (hooks.log)
            hooks.log(line);
    };
    auto db = db::openKestrelDatabase(req.databasePath);
    if (!db) {
        out.finsFailed = true;
        warn("決算情報を保存できません: " + db.message());
        return;
    }
    FinsFetchHooks fh;
    fh.log = hooks.log;
    fh.warn = warn;
    const FinsFetchOutcome got = fetchFins({out.from, out.to, 0}, api, **db, localNowText(), fh);
    out.finsRows = got.rows;
    // A stop asked during the disclosures leaves the run's prices as they are, to be imported.
    if (got.cancelled || got.planRefused) {
        out.finsFailed = true;
    } else if (!got.status) {
        out.finsFailed = true;
        warn("決算情報の取得を中止しました（株価は取得済みです）: " + got.status.message());
    } else if (hooks.log) {
        hooks.log("決算情報 " + std::to_string(got.rows) + " 件を保存しました。");
    }
}

} // namespace

RunOutcome runJQuants(const RunRequest& request, JQuantsApi& api, const RunHooks& hooks) {
    Run run{request, api, hooks, {}};
    run.run();
    if (run.out.status && !run.out.cancelled && run.out.daysTotal > 0)
        run.out.gapNotice = import::findGaps(run.m_calendar, run.out.from, run.out.to, Date::today(), [&](Date d) {
                                return fileExists(joinPath(request.dailyFolder, import::dailyFileName(d)));
                            }).notice();
    if (request.fins && run.out.status && !run.out.cancelled && run.out.daysTotal > 0)
        fetchDayFins(request, api, hooks, run.out);
    run.out.skippedCodes = static_cast<int>(run.skipped.size());
    if (run.out.skippedCodes > 0)
        run.log("取り込めない銘柄コード " + std::to_string(run.out.skippedCodes) + " 件を除きました。");
    return run.out;
}

std::string probeJQuants(JQuantsApi& api, Date today) {
    Date to = today, from = today.addDays(-7);
    std::optional<DateWindow> window;
    auto ask = [&](const char* path, const Query& q) { return api.getPages(path, q, "接続テスト"); };
    auto span = [&] { return Query{{"code", "72030"}, {"from", from.toIso()}, {"to", to.toIso()}}; };
    auto prices = ask("/equities/bars/daily", span());
    if (!prices && api.lastFailure().kind == FailureKind::Window) {
        window = api.lastFailure().window;
        if (window->to && *window->to < to) {
            to = *window->to;
            from = to.addDays(-7);
        }
        prices = ask("/equities/bars/daily", span());
    }
    if (!prices && api.lastFailure().kind != FailureKind::Plan)
        return prices.message();
    auto reach = [&](bool yes, Plan needed) {
        return yes ? std::string("取得できます")
                   : "取得できません（" + std::string(planName(needed)) + " 以上のプラン）";
    };
    auto topix = ask("/indices/bars/daily/topix", {{"from", from.toIso()}, {"to", to.toIso()}});
    auto margin = ask("/markets/margin-interest", {{"date", to.toIso()}});
    std::string text = "J-Quants に接続できました。\n株価: " + reach(bool(prices), Plan::Free) +
                       "\nTOPIX: " + reach(bool(topix), Plan::Light) +
                       "\n信用残: " + reach(bool(margin), Plan::Standard);
    if (window)
        text += "\n取得できる期間: " + window->text();
    return text;
}

RunEstimate estimateRun(const RunRequest& request, int pace) {
    RunEstimate e;
    e.requests = 2;
    if (planHasTopix(request.plan))
        ++e.requests;
    for (Date d = request.from; d <= request.to; d = d.addDays(1)) {
        if (d.isWeekend())
            continue;
        ++e.requests;
        if (request.margin && planHasMargin(request.plan) && d.weekday() == 6)
            ++e.requests;
    }
    e.minutes = (e.requests + std::max(pace, 1) - 1) / std::max(pace, 1);
    return e;
}

RunEstimate estimateLatest(Plan plan, int days, int pace, bool fins) {
    RunEstimate e;
    e.requests = 2 + (planHasTopix(plan) ? 1 : 0) + std::max(days, 0) * (fins ? 2 : 1);
    e.minutes = (e.requests + std::max(pace, 1) - 1) / std::max(pace, 1);
    return e;
}

std::string aboutTime(int requests, int pace) {
    const int minutes = std::max(1, (std::max(requests, 0) + std::max(pace, 1) - 1) / std::max(pace, 1));
    if (minutes < 60)
        return "約 " + std::to_string(minutes) + " 分";
    return "約 " + std::to_string(minutes / 60) + " 時間" +
           (minutes % 60 ? " " + std::to_string(minutes % 60) + " 分" : std::string());
}

std::string longRangeQuestion(const RunRequest& request, int pace) {
    RunEstimate e = estimateRun(request, pace);
    std::string time = e.minutes >= 60
                           ? std::to_string(e.minutes / 60) + " 時間 " + std::to_string(e.minutes % 60) + " 分"
                           : std::to_string(e.minutes) + " 分";
    return shownDate(request.from) + "～" + shownDate(request.to) + " は 1 年を超えます。約 " +
           std::to_string(e.requests) + " 回の要求が必要で、毎分 " + std::to_string(pace) + " 回の上限では約 " + time +
           "かかります。取得しますか？";
}

Result<int> fetchJQuantsMaster(JQuantsApi& api, Date date, const std::string& dataFolder) {
    std::string context = shownDate(date) + " の銘柄一覧";
    auto pages = api.getPages("/equities/master", {{"date", date.toIso()}}, context);
    if (!pages)
        return pages.status();
    auto rows = parseMaster(*pages, context);
    if (!rows)
        return rows.status();
    if (rows->rows.empty())
        return Result<int>::error(context + ": J-Quants に銘柄がありません。");
    // A folder that cannot be made is reported by the first file written into it.
    (void)makeDir(dataFolder);
    if (Status st = writeMasterFiles(dataFolder, date, rows->rows); !st)
        return st;
    return static_cast<int>(rows->rows.size());
}

} // namespace kestrel::converter::jquants
