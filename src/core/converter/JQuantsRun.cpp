#include "core/converter/JQuantsRun.h"

#include "core/app/Files.h"
#include "core/converter/JQuantsCalendar.h"
#include "core/converter/JQuantsData.h"
#include "core/db/Schema.h"
#include "core/import/DailyFile.h"
#include "core/import/IssueMaster.h"

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
    db::MarketCalendar m_calendar;

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
            std::string context = d.toIso() + " の銘柄一覧";
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
        std::string path = joinPath(req.dataFolder, import::kMasterFileName);
        if (Status st = writeFileAtomically(path, masterFileBytes(req.to, masterRows())); !st)
            return st;
        log(std::string(import::kMasterFileName) + " を作成しました（" + std::to_string(m_master.size()) + " 銘柄）");
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
            warn("警告: " + d.toIso() + " の株式分割を記録できません: " + db.message());
            return;
        }
        auto added = recordSplits(**db, bars);
        if (!added)
            warn("警告: " + d.toIso() + " の株式分割を記録できません: " + added.message());
        else
            out.splitsProposed += *added;
    }

    void margins() {
        for (Date friday = NextFriday(req.from); friday <= req.to; friday = friday.addDays(7)) {
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
                std::string context = d.toIso() + " の信用残";
                auto pages = get("/markets/margin-interest", {{"date", d.toIso()}}, context);
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
                log(import::marginFileName(date) + " を作成しました（" + std::to_string(rows->rows.size()) + " 件）");
                break;
            }
        }
    }

    // The market calendar of the range: what the database holds, and, unless that names every day,
    // the exchange's (one request), stored for the next run. Without it the weekdays are the open days.
    void calendar() {
        if (auto db = db::openKestrelDatabase(req.databasePath, db::OpenMode::ReadOnly))
            if (auto stored = db::loadCalendar(**db, req.from, req.to))
                m_calendar = std::move(*stored);
        if (m_calendar.covers(req.from, req.to))
            return;
        std::string context = req.from.toIso() + "～" + req.to.toIso() + " の営業日カレンダー";
        auto pages = get("/markets/calendar", {{"from", req.from.toIso()}, {"to", req.to.toIso()}}, context);
        Result<std::vector<db::CalendarDay>> days =
            pages ? parseCalendar(*pages, context) : Result<std::vector<db::CalendarDay>>(pages.status());
        if (!days) {
            if (!out.cancelled)
                warn("警告: " + days.message() + "。土日以外を営業日とします");
            return;
        }
        for (const db::CalendarDay& day : *days)
            m_calendar.set(day.date, day.holDiv);
        auto db = db::openKestrelDatabase(req.databasePath);
        Status st = db ? db::storeCalendar(**db, *days) : db.status();
        if (!st)
            warn("警告: " + context + "を記録できません: " + st.message());
    }

    void run() {
        bool anyUndone = req.master || req.margin;
        for (Date d = req.from; d <= req.to && !anyUndone; d = d.addDays(1))
            anyUndone = !d.isWeekend() && !dayDone(d);
        if (anyUndone)
            calendar();
        if (stopped())
            return;
        std::vector<Date> days, todo;
        for (Date d = req.from; d <= req.to; d = d.addDays(1)) {
            if (!m_calendar.isOpen(d)) {
                // A closed weekday is told as a holiday, without asking for its prices.
                if (!d.isWeekend()) {
                    ++out.holidays;
                    log(d.toIso() + " は休場日です");
                }
                continue;
            }
            days.push_back(d);
            if (!dayDone(d))
                todo.push_back(d);
        }
        out.daysTotal = static_cast<int>(days.size());
        out.daysKept = out.daysTotal - static_cast<int>(todo.size());
        int done = out.daysKept;
        if (hooks.progress)
            hooks.progress(done, out.daysTotal);
        if (!todo.empty() || req.master) {
            std::vector<Date> ends{req.from};
            if (req.to != req.from)
                ends.push_back(req.to);
            if (Status st = fetchMaster(ends, m_master); !st) {
                out.status = st;
                return;
            }
            // Without the list every record would be dropped and empty days would pass for finished ones.
            if (m_master.empty()) {
                out.status = Status::error(req.to.toIso() + " の銘柄一覧: J-Quants に銘柄がありません");
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
            if (!todo.empty()) {
                std::string context = todo.front().toIso() + "～" + todo.back().toIso() + " の TOPIX";
                auto pages = get("/indices/bars/daily/topix",
                                 {{"from", todo.front().toIso()}, {"to", todo.back().toIso()}}, context);
                if (!pages) {
                    out.status = pages.status();
                    return;
                }
                auto rows = parseTopix(*pages, context);
                if (!rows) {
                    out.status = rows.status();
                    return;
                }
                for (const TopixRow& row : rows->rows)
                    topix[row.date.ymd()] = row;
            }
            // A folder that cannot be made is reported by the first file written into it.
            (void)makeDir(req.dailyFolder);
            for (Date d : todo) {
                if (stopped())
                    return;
                std::string context = d.toIso() + " の株価";
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
                    log(d.toIso() + " は休場日です");
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
                    log(import::dailyFileName(d) + " を作成しました（" + std::to_string(written->records) + " 件）");
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
        if (req.margin) {
            // A folder that cannot be made is reported by the first file written into it.
            (void)makeDir(req.marginFolder);
            margins();
        }
    }
};

} // namespace

RunOutcome runJQuants(const RunRequest& request, JQuantsApi& api, const RunHooks& hooks) {
    Run run{request, api, hooks, {}};
    run.run();
    run.out.skippedCodes = static_cast<int>(run.skipped.size());
    if (run.out.skippedCodes > 0)
        run.log("取り込めない銘柄コード " + std::to_string(run.out.skippedCodes) + " 件を除きました");
    return run.out;
}

Result<int> fetchJQuantsMaster(JQuantsApi& api, Date date, const std::string& dataFolder) {
    std::string context = date.toIso() + " の銘柄一覧";
    auto pages = api.getPages("/equities/master", {{"date", date.toIso()}}, context);
    if (!pages)
        return pages.status();
    auto rows = parseMaster(*pages, context);
    if (!rows)
        return rows.status();
    if (rows->rows.empty())
        return Result<int>::error(context + ": J-Quants に銘柄がありません");
    // A folder that cannot be made is reported by the first file written into it.
    (void)makeDir(dataFolder);
    if (Status st =
            writeFileAtomically(joinPath(dataFolder, import::kMasterFileName), masterFileBytes(date, rows->rows));
        !st)
        return st;
    return static_cast<int>(rows->rows.size());
}

} // namespace kestrel::converter::jquants
