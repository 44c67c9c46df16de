#include "core/converter/JQuantsHistory.h"

#include "core/app/DateText.h"
#include "core/app/Encoding.h"
#include "core/app/Files.h"
#include "core/converter/JQuantsCalendar.h"
#include "core/db/FolderLock.h"
#include "core/db/Schema.h"
#include "core/import/BarChain.h"
#include "core/import/CacheSize.h"
#include "core/import/DailyFile.h"
#include "core/import/DailyImport.h"
#include "core/import/WeeklyBars.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <sys/stat.h>

namespace kestrel::converter::jquants {

namespace {

std::string fiveCharacters(int code) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04d0", code);
    return buf;
}

// The record the daily file of the bar's day would hold for it: the same record writer, the same reader.
std::optional<import::DailyRecord> issueRecord(const IssueMaster& master, const BarRow& bar) {
    WorkingRecord record;
    record.date = bar.date;
    record.code = std::to_string(bar.code);
    if (bar.open && bar.high && bar.low && bar.close && bar.volume && *bar.volume > 0) {
        record.open = *bar.open;
        record.high = *bar.high;
        record.low = *bar.low;
        record.close = *bar.close;
        record.volume = *bar.volume;
    }
    auto line = recordLine(master, record);
    if (!line)
        return std::nullopt;
    std::string text = toCp932Dropping(*line) + "\r\n";
    auto file = import::parseDailyFile(dailyFileBytes(bar.date, 1, text), import::dailyFileName(bar.date));
    if (!file || file->records.empty())
        return std::nullopt;
    return file->records.front();
}

int planYears(Plan plan) {
    switch (plan) {
    case Plan::Free:
        return 2;
    case Plan::Light:
        return 5;
    case Plan::Standard:
        return 10;
    case Plan::Premium:
        return 20;
    }
    return 2;
}

Result<std::optional<Date>> oldestBar(db::Database& db, int code) {
    auto st = db.prepare("SELECT Min(日付) FROM dayData WHERE コード = ?");
    if (!st)
        return st.status();
    st->bind(1, code);
    auto row = st->step();
    if (!row)
        return row.status();
    return *row ? st->date(0) : std::nullopt;
}

// The days of from..to whose whole file is stored.
Result<std::set<long long>> wholeDays(db::Database& db, Date from, Date to) {
    std::set<long long> out;
    auto st = db.prepare("SELECT DISTINCT 日付 FROM dayData WHERE 日付 BETWEEN ? AND ?");
    if (!st)
        return st.status();
    st->bindAll(from, to);
    if (Status read = st->forEachRow([&] { out.insert(st->int64(0)); }); !read)
        return read;
    for (auto it = out.begin(); it != out.end();) {
        auto partial = import::isPartialDay(db, *Date::fromYmdInt(*it));
        if (!partial)
            return partial.status();
        it = *partial ? out.erase(it) : std::next(it);
    }
    return out;
}

// The balances of one day as its margin file holds them: the daily road's writer and reader.
Result<import::MarginFile> marginFileOf(Date date, const std::vector<MarginRow>& rows) {
    return import::parseMarginFile(marginFileBytes(date, rows), import::marginFileName(date));
}

// One issue's margin balances by code over from..to, as the weekly files of those weeks would give
// them: per week the rows of its last day that has any.
Result<std::vector<import::MarginFile>> issueMargins(JQuantsApi& api, int code, Date from, Date to) {
    const std::string context = std::to_string(code) + " の信用残";
    auto pages = api.getPages("/markets/margin-interest",
                              {{"code", fiveCharacters(code)}, {"from", from.toIso()}, {"to", to.toIso()}}, context);
    if (!pages)
        return pages.status();
    auto rows = parseMargin(*pages, context);
    if (!rows)
        return rows.status();
    std::map<long long, std::vector<MarginRow>> days; // by date
    for (const MarginRow& row : rows->rows)
        if (row.code == code)
            days[row.date.ymd()].push_back(row);
    std::map<long long, long long> lastOfWeek; // Friday to the week's last day with rows
    for (const auto& [day, list] : days)
        lastOfWeek[NextFriday(list.front().date).ymd()] = day;
    std::vector<import::MarginFile> out;
    for (const auto& [friday, day] : lastOfWeek) {
        auto file = marginFileOf(*Date::fromYmdInt(day), days[day]);
        if (!file)
            return file.status();
        out.push_back(std::move(*file));
    }
    return out;
}

} // namespace

int planWindowBars(Plan plan) {
    return planYears(plan) * 240;
}

int backfillRequests(Plan plan) {
    return planWindowBars(plan) + (planHasMargin(plan) ? planYears(plan) * 52 : 0);
}

std::string backfillQuestion(Plan plan, int pace) {
    return "続けて全銘柄の履歴（ご契約のプラン " + std::string(planName(plan)) + " で約 " +
           std::to_string(planYears(plan)) + " 年分）をバックグラウンドで取得しますか？\n毎分 " + std::to_string(pace) +
           " 回の上限で" + aboutTime(backfillRequests(plan), pace) +
           "かかります。その間もチャートは使えます。後からでも「J-Quants → 履歴の取得」で始められます。";
}

bool issueHistoryWanted(long long storedBars, Plan plan) {
    return storedBars < planWindowBars(plan);
}

std::optional<int> issueCodeArgument(std::string_view text) {
    if (text.size() == 5) {
        if (text[4] != '0')
            return std::nullopt;
        text.remove_suffix(1);
    }
    if (text.size() != 4 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    int code = std::stoi(std::string(text));
    return code >= 1 ? std::optional(code) : std::nullopt;
}

IssueHistoryOutcome fetchIssueHistory(JQuantsApi& api, const IssueHistoryRequest& req) {
    IssueHistoryOutcome out;
    const std::string label = std::to_string(req.code);
    auto db = db::openKestrelDatabase(req.databasePath);
    if (!db) {
        out.status = db.status();
        return out;
    }
    Query query{{"code", fiveCharacters(req.code)}};
    bool olderPart = false;
    if (req.from || req.to) {
        if (req.from)
            query.emplace_back("from", req.from->toIso());
        if (req.to)
            query.emplace_back("to", req.to->toIso());
    } else {
        auto oldest = oldestBar(**db, req.code);
        if (!oldest) {
            out.status = oldest.status();
            return out;
        }
        if (*oldest) {
            olderPart = true;
            query.emplace_back("to", (*oldest)->addDays(-1).toIso());
        }
    }
    const std::string context = label + " の株価";
    auto pages = api.getPages("/equities/bars/daily", query, context);
    if (!pages) {
        out.cancelled = api.cancelled();
        // The part before the oldest bar lies outside what the plan gives: nothing is missing.
        if (olderPart && api.lastFailure().kind == FailureKind::Window) {
            out.message = label + ": ご契約のプランで取得できる期間の株価はすべて取り込み済みです。";
            return out;
        }
        out.status = pages.status();
        return out;
    }
    auto bars = parseBars(*pages, context);
    if (!bars) {
        out.status = bars.status();
        return out;
    }
    std::vector<BarRow> rows;
    for (BarRow& bar : bars->rows)
        if (bar.code == req.code)
            rows.push_back(std::move(bar));
    std::sort(rows.begin(), rows.end(), [](const BarRow& a, const BarRow& b) { return a.date < b.date; });
    out.fetched = static_cast<int>(rows.size());
    if (rows.empty()) {
        out.message = label + ": J-Quants にこの期間の株価がありません（銘柄コードを確かめてください）";
        return out;
    }
    // The issue's name and market: Mei's, else the exchange's list for the issue.
    auto mei = LoadIssueMaster(req.databasePath);
    std::vector<MasterRow> masterRows;
    if (!mei || !mei->find(req.code)) {
        std::string what = label + " の銘柄情報";
        auto master = api.getPages("/equities/master", {{"code", fiveCharacters(req.code)}}, what);
        if (!master) {
            out.status = master.status();
            out.cancelled = api.cancelled();
            return out;
        }
        auto parsed = parseMaster(*master, what);
        if (!parsed) {
            out.status = parsed.status();
            return out;
        }
        for (MasterRow& row : parsed->rows)
            if (row.code == req.code)
                masterRows.push_back(std::move(row));
        if (masterRows.empty()) {
            out.message = label + ": J-Quants の銘柄一覧にありません。取り込みません";
            return out;
        }
    }
    IssueMaster snapshot = snapshotMaster(mei ? &*mei : nullptr, masterRows);
    // The margin balances are asked before anything is written; without them the bars still come.
    std::vector<import::MarginFile> margins;
    std::string marginNote;
    if (planHasMargin(req.plan)) {
        auto asked = issueMargins(api, req.code, rows.front().date, rows.back().date);
        if (asked)
            margins = std::move(*asked);
        else if (api.cancelled()) {
            out.cancelled = true;
            out.status = asked.status();
            return out;
        } else
            marginNote = "。信用残は取得できませんでした（" + asked.message() + "）";
    }
    auto calendar = db::loadCalendar(**db, rows.front().date, rows.back().date);
    std::vector<std::pair<Date, import::DailyRecord>> days;
    std::vector<BarRow> kept;
    for (const BarRow& bar : rows) {
        if (calendar && calendar->knows(bar.date) && !calendar->isOpen(bar.date)) {
            ++out.closedDays;
            continue;
        }
        if (!days.empty() && days.back().first == bar.date)
            continue; // a row repeated across pages
        if (auto record = issueRecord(snapshot, bar)) {
            days.emplace_back(bar.date, std::move(*record));
            kept.push_back(bar);
        }
    }
    auto added = recordSplits(**db, kept);
    if (!added) {
        out.status = added.status();
        return out;
    }
    out.splitsProposed = *added;
    auto stored = import::importIssueRecords(**db, days);
    if (!stored) {
        out.status = stored.status();
        return out;
    }
    out.stored = stored->stored;
    out.alreadyThere = stored->alreadyThere;
    out.first = stored->first;
    out.last = stored->last;
    for (const import::MarginFile& week : margins) {
        auto kept = import::storeMarginWeek(**db, NextFriday(week.date), week.records, req.code,
                                            import::marginFileName(week.date));
        if (!kept) {
            out.status = kept.status();
            return out;
        }
        out.marginWeeks += *kept ? 1 : 0;
    }
    if (out.first) {
        if (Status st =
                import::buildIssueWeeklyBars(**db, req.code, PrevMonday(*out.first), NextFriday(out.last->addDays(7)));
            !st) {
            out.status = st;
            return out;
        }
    }
    out.message = label + ": " + std::to_string(out.stored) + " 本の株価を取り込みました";
    if (out.first)
        out.message += "（" + shownDate(*out.first) + "～" + shownDate(*out.last) + "）";
    if (out.alreadyThere > 0)
        out.message += "。取り込み済みの " + std::to_string(out.alreadyThere) + " 日はそのままです";
    if (out.closedDays > 0)
        out.message += "。休場日の " + std::to_string(out.closedDays) + " 本は除きました";
    if (out.marginWeeks > 0)
        out.message += "。信用残 " + std::to_string(out.marginWeeks) + " 週";
    out.message += marginNote;
    return out;
}

std::string BackfillProgress::text() const {
    if (finished())
        return "履歴: 取得済み";
    const int percent = total > 0 ? done * 100 / total : 0;
    std::string left = minutesLeft() >= 60
                           ? std::to_string(minutesLeft() / 60) + " 時間 " + std::to_string(minutesLeft() % 60) + " 分"
                           : std::to_string(minutesLeft()) + " 分";
    return "履歴: " + (reached ? shownDate(*reached) + " まで " : std::string()) + std::to_string(percent) +
           "%・残り約 " + left;
}

HistoryBackfill::HistoryBackfill(BackfillRequest request, JQuantsApi& api, int pace)
    : m_req(std::move(request)), m_api(api), m_pace(std::max(pace, 1)) {}

Status HistoryBackfill::saveState() const {
    return writeFileAtomically(m_req.statePath,
                               "from=" + std::to_string(m_from.ymd()) + "\nto=" + std::to_string(m_to.ymd()) + "\n");
}

Status HistoryBackfill::loadWindow() {
    m_to = m_req.today.addDays(-planDelayDays(m_req.plan));
    m_from = m_to.addDays(-365 * planYears(m_req.plan) - planYears(m_req.plan) / 4);
    auto db = db::openKestrelDatabase(m_req.databasePath);
    if (!db)
        return db.status();
    // A window kept from an earlier start names the span; the calendar is asked once for it.
    if (auto state = readWholeFile(m_req.statePath)) {
        long long from = 0, to = 0;
        if (std::sscanf(state->c_str(), "from=%lld\nto=%lld", &from, &to) == 2 && Date::fromYmdInt(from) &&
            Date::fromYmdInt(to)) {
            m_from = *Date::fromYmdInt(from);
            m_to = *Date::fromYmdInt(to);
        }
    }
    if (auto stored = db::loadCalendar(**db, m_from, m_to); stored && stored->covers(m_from, m_to)) {
        m_calendar = std::move(*stored);
    } else {
        for (int attempt = 0;; ++attempt) {
            std::string context = "営業日カレンダー";
            auto pages = m_api.getPages("/markets/calendar", {{"from", m_from.toIso()}, {"to", m_to.toIso()}}, context);
            const Failure f = m_api.lastFailure();
            if (!pages && attempt == 0 && f.kind == FailureKind::Window && f.window) {
                m_from = std::max(m_from, f.window->from);
                if (f.window->to)
                    m_to = std::min(m_to, *f.window->to);
                continue;
            }
            if (!pages)
                return pages.status();
            auto days = parseCalendar(*pages, context);
            if (!days)
                return days.status();
            for (const db::CalendarDay& day : *days)
                m_calendar.set(day.date, day.holDiv);
            if (Status st = db::storeCalendar(**db, *days); !st)
                return st;
            break;
        }
    }
    if (m_req.until)
        m_from = std::max(m_from, *m_req.until);
    m_open.clear();
    for (Date d = m_to; d >= m_from; d = d.addDays(-1))
        if (m_calendar.isOpen(d))
            m_open.push_back(d);
    return saveState();
}

Status HistoryBackfill::refreshTodo() {
    auto db = db::openKestrelDatabase(m_req.databasePath);
    if (!db)
        return db.status();
    auto whole = wholeDays(**db, m_from, m_to);
    if (!whole)
        return whole.status();
    m_todo.clear();
    for (Date d : m_open)
        if (!whole->count(d.ymd()))
            m_todo.push_back(d);
    return Status::ok();
}

Status HistoryBackfill::start() {
    if (Status st = loadWindow(); !st)
        return m_status = st;
    if (Status st = refreshTodo(); !st)
        return m_status = st;
    return Status::ok();
}

BackfillProgress HistoryBackfill::progress() const {
    BackfillProgress p;
    p.total = static_cast<int>(m_open.size());
    p.done = p.total - static_cast<int>(m_todo.size());
    p.pace = m_pace;
    // The newest days are filled first: the day before the newest one left is how far it reaches.
    if (m_todo.empty())
        p.reached = m_open.empty() ? std::nullopt : std::optional(m_open.back());
    else if (m_todo.front() != m_open.front())
        for (Date d : m_open)
            if (d > m_todo.front())
                p.reached = d;
    return p;
}

StepResult HistoryBackfill::step() {
    if (m_api.cancelled())
        return StepResult::Cancelled;
    std::optional<db::FolderLock> lock;
    if (!m_req.programFolder.empty()) {
        auto taken = db::FolderLock::take(m_req.programFolder, db::LockMode::Shared, 0);
        if (!taken) {
            m_db.reset(); // let go while another program works on the folder
            return StepResult::Paused;
        }
        lock.emplace(std::move(*taken));
    }
    if (!m_issues.empty()) {
        const int code = m_issues.front();
        m_issues.pop_front();
        m_lastIssue = fetchIssueHistory(m_api, {code, std::nullopt, std::nullopt, m_req.databasePath, m_req.plan});
        if (m_lastIssue.cancelled)
            return StepResult::Cancelled;
        if (log)
            log(m_lastIssue.status ? m_lastIssue.message : m_lastIssue.status.message());
        return StepResult::Issue;
    }
    if (m_todo.empty()) {
        settleLog();
        return StepResult::Finished;
    }
    const Date d = m_todo.front();
    StepResult r = fillDay(d);
    if (r == StepResult::Day)
        m_todo.erase(m_todo.begin());
    else
        settleLog();
    return r;
}

HistoryBackfill::~HistoryBackfill() = default;

Result<db::Database*> HistoryBackfill::database() {
    struct stat now {};
    const bool same =
        m_db && ::stat(m_req.databasePath.c_str(), &now) == 0 && now.st_dev == m_dbDevice && now.st_ino == m_dbInode;
    if (same)
        return m_db.get();
    m_db.reset(); // a file put in its place (a compaction, a restore): the old one is let go untouched
    auto db = db::openKestrelDatabase(m_req.databasePath);
    if (!db)
        return db.status();
    // Closing never copies the log into the file: the connection may outlive the file it was opened on
    // (see settleLog); SQLite copies it every 1,000 pages meanwhile.
    if (Status st = (*db)->keepLogOnClose(); !st)
        return st;
    // A day touches the last page of every issue's bars, in dayData and weekData: the cache holds them
    // from the import to the relinking and the week's bars, and on to the next day, instead of reading
    // them again from the log.
    (void)(*db)->exec("PRAGMA cache_size = " + std::to_string(-import::kBulkCacheKib));
    if (::stat(m_req.databasePath.c_str(), &now) != 0)
        return Status::error("データベース " + m_req.databasePath + " が見つかりません。");
    m_dbDevice = now.st_dev;
    m_dbInode = now.st_ino;
    m_db = std::move(*db);
    return m_db.get();
}

void HistoryBackfill::settleLog() {
    if (!m_db)
        return;
    // Called while the folder lock is held, so the file is the one the connection was opened on.
    if (auto db = database(); db && *db)
        (void)(*db)->exec("PRAGMA wal_checkpoint(PASSIVE)");
    m_db.reset();
}

Result<bool> HistoryBackfill::loadBulkMonth(int month) {
    if (!m_bulkList) {
        const std::string context = "一括ファイルの一覧";
        auto pages = m_api.getPages("/bulk/list", {{"endpoint", "/equities/bars/daily"}}, context);
        if (!pages) {
            if (m_api.cancelled() || m_api.lastFailure().kind != FailureKind::Plan)
                return pages.status();
            if (log)
                log("一括ファイルはご契約のプランでは取得できません。日ごとに取得します。");
            m_req.bulk = false;
            return false;
        }
        auto list = parseBulkList(*pages, context);
        if (!list)
            return list.status();
        m_bulkList = std::move(*list);
    }
    // The month's file; of two, the one replaced last.
    const BulkFile* file = nullptr;
    for (const BulkFile& f : *m_bulkList)
        if (f.month == month && (!file || f.lastModified > file->lastModified))
            file = &f;
    if (!file)
        return false;
    for (int attempt = 0;; ++attempt) {
        // The address expires within minutes: a new one for every attempt.
        auto answer = m_api.getPages("/bulk/get", {{"key", file->key}}, file->key + " のダウンロード先");
        if (!answer)
            return answer.status();
        auto address = parseBulkAddress(answer->empty() ? std::string() : answer->front(), file->key);
        if (!address)
            return address.status();
        auto bytes = m_api.download(*address, "一括ファイル " + file->key);
        if (!bytes)
            return bytes.status();
        auto read = readBulkFile(*bytes, "一括ファイル " + file->key);
        if (read) {
            for (auto& [day, rows] : read->days)
                m_bulkDays[day] = std::move(rows);
            return true;
        }
        if (attempt > 0)
            return Status::error(sentence(read.message()) + "取り込まずに止めます。");
        if (log)
            log(sentence(read.message()) + "破棄してもう一度取得します。");
    }
}

Result<std::optional<import::MarginFile>> HistoryBackfill::weekMargins(Date friday) {
    using R = Result<std::optional<import::MarginFile>>;
    if (!planHasMargin(m_req.plan) || m_marginRefused || friday > m_to)
        return std::optional<import::MarginFile>();
    for (Date d : marginDaysOfWeek(m_calendar, friday)) {
        std::string context = d.toIso() + " の信用残";
        auto pages = m_api.getPages("/markets/margin-interest", {{"date", d.toIso()}}, context);
        if (!pages && !m_api.cancelled() && m_api.lastFailure().kind == FailureKind::Plan) {
            m_marginRefused = true;
            if (log)
                log("信用残はご契約のプランでは取得できません。株価だけを取得します。");
            return std::optional<import::MarginFile>();
        }
        if (!pages)
            return R(pages.status());
        auto rows = parseMargin(*pages, context);
        if (!rows)
            return R(rows.status());
        if (rows->rows.empty())
            continue;
        auto file = marginFileOf(rows->rows.front().date, rows->rows);
        if (!file)
            return R(file.status());
        return std::optional(std::move(*file));
    }
    return std::optional<import::MarginFile>();
}

Result<std::vector<BarRow>> HistoryBackfill::dayBars(Date d) {
    const int month = d.year() * 100 + d.month();
    if (m_req.bulk && !m_bulkDays.count(d) && m_bulkTried.insert(month).second) {
        auto loaded = loadBulkMonth(month);
        if (!loaded)
            return loaded.status();
    }
    if (auto it = m_bulkDays.find(d); it != m_bulkDays.end()) {
        std::vector<BarRow> rows = std::move(it->second);
        m_bulkDays.erase(it);
        return rows;
    }
    std::string context = shownDate(d) + " の株価";
    auto pages = m_api.getPages("/equities/bars/daily", {{"date", d.toIso()}}, context);
    if (!pages)
        return pages.status();
    auto bars = parseBars(*pages, context);
    if (!bars)
        return bars.status();
    return std::move(bars->rows);
}

StepResult HistoryBackfill::fillDay(Date d) {
    auto fail = [&](const Status& st) {
        m_status = st;
        return m_api.cancelled() ? StepResult::Cancelled : StepResult::Failed;
    };
    if (!m_snapshot) {
        std::string context = shownDate(m_to) + " の銘柄一覧";
        auto pages = m_api.getPages("/equities/master", {{"date", m_to.toIso()}}, context);
        if (!pages)
            return fail(pages.status());
        auto rows = parseMaster(*pages, context);
        if (!rows)
            return fail(rows.status());
        for (MasterRow& row : rows->rows)
            m_master[row.code] = std::move(row);
        std::vector<MasterRow> list;
        for (const auto& [code, row] : m_master)
            list.push_back(row);
        auto mei = LoadIssueMaster(m_req.databasePath);
        m_snapshot = snapshotMaster(mei ? &*mei : nullptr, list);
    }
    if (!m_topixAsked && planHasTopix(m_req.plan)) {
        m_topixAsked = true;
        std::string context = shownDate(m_from) + "～" + shownDate(m_to) + " の TOPIX";
        auto pages =
            m_api.getPages("/indices/bars/daily/topix", {{"from", m_from.toIso()}, {"to", m_to.toIso()}}, context);
        if (pages) {
            if (auto rows = parseTopix(*pages, context))
                for (const TopixRow& row : rows->rows)
                    m_topix[row.date.ymd()] = row;
        } else if (m_api.lastFailure().kind != FailureKind::Plan) {
            return fail(pages.status());
        }
    }
    auto bars = dayBars(d);
    if (!bars)
        return fail(bars.status());
    // An issue listed and gone before the window's end is looked up in the day's own list.
    bool unknown = false;
    for (const BarRow& bar : *bars)
        unknown = unknown || !m_snapshot->find(bar.code);
    if (unknown) {
        std::string what = shownDate(d) + " の銘柄一覧";
        auto master = m_api.getPages("/equities/master", {{"date", d.toIso()}}, what);
        if (!master)
            return fail(master.status());
        auto rows = parseMaster(*master, what);
        if (!rows)
            return fail(rows.status());
        for (const MasterRow& row : rows->rows)
            if (!m_snapshot->find(row.code))
                m_snapshot->set(row.code, {true, row.market, row.name, 1, 1});
    }
    // The week is built once its first open day (the last one filled, newest first) is in, and the
    // weeks after it are brought into its chain; its margin balances come in just before.
    const bool weekDone = m_todo.size() < 2 || PrevMonday(m_todo[1]) != PrevMonday(d);
    std::optional<import::MarginFile> margins;
    if (weekDone) {
        auto asked = weekMargins(NextFriday(d));
        if (!asked)
            return fail(asked.status());
        margins = std::move(*asked);
    }
    // One connection for the days of a run: its statements and pages are kept from day to day.
    auto db = database();
    if (!db)
        return fail(db.status());
    // The day, the relinking after it and the week's bars commit together: a kill leaves all or none.
    db::Transaction tx(**db);
    if (!tx.began())
        return fail(tx.began());
    if (!bars->empty()) {
        auto splits = recordSplits(**db, *bars);
        if (!splits)
            return fail(splits.status());
        (void)makeDir(m_req.workFolder);
        auto it = m_topix.find(d.ymd());
        auto written = writeDailyFile(*m_snapshot, d, *bars,
                                      it == m_topix.end() ? std::nullopt : std::optional(it->second), m_req.workFolder);
        if (!written)
            return fail(written.status());
        import::DailyImportOptions options;
        options.dailyFolder = m_req.workFolder;
        options.olderDaysKeepFlags = true;
        auto imported = import::ImportDailyFiles(**db, d, d, options);
        std::remove(written->path.c_str());
        if (!imported.status)
            return fail(imported.status);
        if (Status st = import::relinkAfter(**db, d); !st)
            return fail(st);
    }
    if (margins) {
        auto kept = import::storeMarginWeek(**db, NextFriday(margins->date), margins->records, std::nullopt,
                                            import::marginFileName(margins->date));
        if (!kept)
            return fail(kept.status());
    }
    if (weekDone)
        if (Status st = import::BuildWeeklyBarsBefore(**db, PrevMonday(d), NextFriday(d).addDays(1)); !st)
            return fail(st);
    if (Status st = tx.commit(); !st)
        return fail(st);
    if (log)
        log(shownDate(d) + ": " + std::to_string(bars->size()) + " 銘柄");
    return StepResult::Day;
}

std::optional<BackfillProgress> backfillStatus(const std::string& statePath, const std::string& databasePath,
                                               int pace) {
    auto state = readWholeFile(statePath);
    if (!state)
        return std::nullopt;
    long long from = 0, to = 0;
    if (std::sscanf(state->c_str(), "from=%lld\nto=%lld", &from, &to) != 2 || !Date::fromYmdInt(from) ||
        !Date::fromYmdInt(to))
        return std::nullopt;
    auto db = db::openKestrelDatabase(databasePath, db::OpenMode::ReadOnly);
    if (!db)
        return std::nullopt;
    const Date f = *Date::fromYmdInt(from), t = *Date::fromYmdInt(to);
    auto calendar = db::loadCalendar(**db, f, t);
    auto whole = wholeDays(**db, f, t);
    if (!calendar || !whole)
        return std::nullopt;
    BackfillProgress p;
    p.pace = std::max(pace, 1);
    std::optional<Date> firstMissing;
    for (Date d = t; d >= f; d = d.addDays(-1)) {
        if (!calendar->isOpen(d))
            continue;
        ++p.total;
        if (whole->count(d.ymd())) {
            ++p.done;
            if (!firstMissing)
                p.reached = d;
        } else if (!firstMissing) {
            firstMissing = d;
        }
    }
    return p;
}

} // namespace kestrel::converter::jquants
