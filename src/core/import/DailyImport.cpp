#include "core/import/DailyImport.h"

#include "core/app/Encoding.h"
#include "core/app/Files.h"
#include "core/import/BarChain.h"
#include "core/import/CacheSize.h"
#include "core/import/DailyFile.h"
#include "core/import/DataGaps.h"
#include "core/import/IssueMaster.h"
#include "core/import/MarginImport.h"
#include "core/import/WeeklyBars.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace kestrel::import {
namespace {

constexpr int kCodes = 10000;
constexpr size_t kMeiNameLength = 20;
constexpr int kPreviousDayWindow = 60;
constexpr long long kRowsBetweenIdle = 20000;

Status dbError(const Status& st, const std::string& fileName) {
    return Status::error(fileName + ": " + st.message());
}

// One bar of dayData waiting for its group's commit.
struct PendingRow {
    std::int32_t code, date, open, high, low, close, change, reference;
    Currency volume;
};

// One run of the import. Mei is mirrored in memory (only this run writes it while it lasts), and the
// reference closes of the last stored day are kept so the next day needs no look-up.
//
// The bars of a group of files are kept in memory and stored together in (コード, 日付) order at the
// group's commit: the table is clustered that way, so each issue's new bars go to its last page in one
// pass instead of one page per bar. Everything else a file changes (deletions, Mei, 更新Flg) is written
// at once inside the file's savepoint. In direct mode each bar is stored as it is read.
class DailyImporter {
public:
    DailyImporter(db::Database& db, const DailyImportOptions& options, const ImportProgress& progress)
        : m_db(db), m_options(options), m_progress(progress) {}

    Status prepare();
    // Reads one file inside its own savepoint; rowsStored grows by the rows it stored (or keeps).
    Status importFile(const std::string& path, const std::string& fileName);
    // Stores the kept bars. On failure the caller rolls the group back and calls restart().
    Status flush();
    long long keptRows() const { return m_kept; }
    void setDirect(bool direct) { m_direct = direct; }
    // After a rolled-back group: forgets the kept bars and what memory holds beyond the database, and
    // sets the counts back to the given ones.
    Status restart(int files, long long rows, size_t warningCount);

    long long rowsStored = 0;
    int filesRead = 0;
    std::vector<std::string> warnings;

private:
    Status loadMei();
    Status loadPreviousDay(Date p);
    Status storeRecords(const DailyFile& file, const std::string& fileName);
    Status applyUpdateFlags(const std::string& fileName);

    db::Database& m_db;
    const DailyImportOptions& m_options;
    const ImportProgress& m_progress;
    db::Statement m_hasDay, m_deleteDay, m_prevDate, m_prevRows, m_insert, m_bulkInsert, m_meiInsert, m_meiUpdate,
        m_flag;
    bool m_direct = false;
    std::optional<Date> m_newestAtStart; // the newest whole day stored before the run
    std::vector<std::vector<PendingRow>> m_pending = std::vector<std::vector<PendingRow>>(kCodes); // by code
    long long m_kept = 0;

    // Working table: previous day (columns 0, 1), Mei (columns 2 to 4) and "seen" (column 5).
    std::vector<char> m_prevHas = std::vector<char>(kCodes), m_meiHas = std::vector<char>(kCodes),
                      m_seen = std::vector<char>(kCodes);
    std::vector<std::int32_t> m_prevRef = std::vector<std::int32_t>(kCodes);
    std::vector<std::int16_t> m_meiMarket = std::vector<std::int16_t>(kCodes);
    std::vector<std::string> m_meiName = std::vector<std::string>(kCodes);
    std::vector<signed char> m_meiFlag = std::vector<signed char>(kCodes, -1);
    // The reference closes of the last day of this run that stored bars (m_lastDay), stored or kept,
    // and those of the file being read.
    std::optional<Date> m_lastDay;
    std::vector<char> m_lastHas = std::vector<char>(kCodes), m_curHas = std::vector<char>(kCodes);
    std::vector<std::int32_t> m_lastRef = std::vector<std::int32_t>(kCodes),
                              m_curRef = std::vector<std::int32_t>(kCodes);
};

Status DailyImporter::prepare() {
    struct {
        db::Statement* st;
        const char* sql;
    } statements[] = {
        {&m_hasDay, "SELECT 1 FROM dayData WHERE 日付 = ? LIMIT 1"},
        {&m_deleteDay, "DELETE FROM dayData WHERE 日付 = ?"},
        {&m_prevDate, "SELECT Max(日付) AS MaxDate FROM dayData WHERE 日付 BETWEEN ? AND ?"},
        {&m_prevRows, "SELECT コード, 基準前日比 FROM dayData WHERE 日付 = ?"},
        {&m_insert, "INSERT OR IGNORE INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高, 基準前日比) "
                    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"},
        {&m_bulkInsert, "INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高, 基準前日比) "
                        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"},
        {&m_meiInsert, "INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位, 更新Flg) "
                       "VALUES (?, ?, ?, 1000, 1, 0)"},
        {&m_meiUpdate, "UPDATE Mei SET 市場コード = ?, 銘柄 = ? WHERE コード = ?"},
        {&m_flag, "UPDATE Mei SET 更新Flg = ? WHERE コード = ?"},
    };
    for (auto& s : statements) {
        auto st = m_db.prepare(s.sql);
        if (!st)
            return st.status();
        *s.st = std::move(*st);
    }
    auto hasPartial = m_db.queryInt("SELECT count(*) FROM sqlite_master WHERE type='table' AND name='PartialDays'");
    if (!hasPartial)
        return hasPartial.status();
    auto newest = m_db.prepare(hasPartial->value_or(0) > 0
                                   ? "SELECT Max(日付) FROM dayData WHERE 日付 NOT IN (SELECT 日付 FROM PartialDays)"
                                   : "SELECT Max(日付) FROM dayData");
    if (!newest)
        return newest.status();
    auto row = newest->step();
    if (!row)
        return row.status();
    m_newestAtStart = *row ? newest->date(0) : std::nullopt;
    return loadMei();
}

Status DailyImporter::loadMei() {
    std::fill(m_meiHas.begin(), m_meiHas.end(), 0);
    std::fill(m_meiFlag.begin(), m_meiFlag.end(), -1);
    auto st = m_db.prepare("SELECT コード, 市場コード, 銘柄, 更新Flg FROM Mei");
    if (!st)
        return st.status();
    return st->forEachRow([&] {
        std::int64_t code = st->int64(0);
        if (code < 0 || code >= kCodes)
            return;
        m_meiHas[code] = 1;
        m_meiMarket[code] = static_cast<std::int16_t>(st->int64(1));
        m_meiName[code] = st->text(2);
        m_meiFlag[code] = st->isNull(3) ? -1 : static_cast<signed char>(st->int64(3) != 0);
    });
}

Status DailyImporter::loadPreviousDay(Date p) {
    if (m_lastDay && *m_lastDay == p) {
        m_prevHas = m_lastHas;
        m_prevRef = m_lastRef;
        return Status::ok();
    }
    std::fill(m_prevHas.begin(), m_prevHas.end(), 0);
    std::fill(m_prevRef.begin(), m_prevRef.end(), 0);
    m_prevRows.reset();
    m_prevRows.bind(1, p);
    Status read = m_prevRows.forEachRow([&] {
        std::int64_t code = m_prevRows.int64(0);
        if (code < 0 || code >= kCodes)
            return;
        m_prevHas[code] = 1;
        m_prevRef[code] = m_prevRows.isNull(1) ? 0 : m_prevRows.int32(1);
    });
    m_prevRows.reset();
    return read;
}

Status DailyImporter::importFile(const std::string& path, const std::string& fileName) {
    auto bytes = readWholeFile(path);
    if (!bytes)
        return bytes.status();
    auto header = parseDailyFile(*bytes, fileName, true);
    if (!header)
        return header.status();
    const Date f = header->date;

    db::Transaction tx(m_db);
    if (!tx.began())
        return dbError(tx.began(), fileName);
    bool process = true;
    // A day stored by code only holds some issues: the day's whole file replaces it.
    auto partial = isPartialDay(m_db, f);
    if (!partial)
        return dbError(partial.status(), fileName);
    if (m_options.deleteExisting || *partial) {
        m_progress.showStep("データ削除中...");
        if (Status st = m_deleteDay.bind(1, f).run(); !st)
            return dbError(st, fileName);
        if (Status st = clearPartialDay(m_db, f); !st)
            return dbError(st, fileName);
        if (m_lastDay == f)
            m_lastDay.reset();
    } else {
        m_hasDay.reset();
        auto row = m_hasDay.bind(1, f).step();
        m_hasDay.reset();
        if (!row)
            return dbError(row.status(), fileName);
        process = !*row;
    }
    // Files dated on a Saturday or Sunday are opened and closed without storing anything.
    if (process && !f.isWeekend()) {
        auto file = parseDailyFile(*bytes, fileName);
        if (!file)
            return file.status();
        if (Status st = storeRecords(*file, fileName); !st)
            return st;
        if (!file->nonNumericLines.empty())
            warnings.push_back(nonNumericWarning(fileName, file->nonNumericLines));
    }
    return tx.commit();
}

Status DailyImporter::storeRecords(const DailyFile& file, const std::string& fileName) {
    const Date f = file.date;
    m_progress.showStep("前処理中...");
    m_prevDate.reset();
    auto row = m_prevDate.bind(1, f.addDays(-kPreviousDayWindow)).bind(2, f.addDays(-1)).step();
    std::optional<Date> p = row && *row ? m_prevDate.date(0) : std::nullopt;
    m_prevDate.reset();
    if (!row)
        return dbError(row.status(), fileName);
    // The last day this run stored may still wait in memory.
    if (m_lastDay) {
        const Date last = *m_lastDay;
        if (last < f && f.addDays(-kPreviousDayWindow) <= last && (!p || p->ymd() < last.ymd()))
            p = last;
    }
    m_progress.showStep("前日データ読込み中...");
    if (p) {
        if (Status st = loadPreviousDay(*p); !st)
            return dbError(st, fileName);
    } else {
        std::fill(m_prevHas.begin(), m_prevHas.end(), 0);
    }
    std::fill(m_seen.begin(), m_seen.end(), 0);
    std::fill(m_curHas.begin(), m_curHas.end(), 0);
    m_progress.showStep(fileName + " 処理中.....");
    ++filesRead;

    PercentCounter counter(m_progress, file.count);
    long long stored = 0;
    for (const DailyRecord& r : file.records) {
        counter.next();
        if (!isStoredFileMarket(r.fileMarket))
            continue;
        const int code = r.code;
        std::int32_t open = r.open, high = r.high, low = r.low, close = r.close;
        // A day without volume is a day without trading: no prices.
        if (r.volume == Currency())
            open = high = low = close = 0;
        std::int32_t change = 0, reference = close;
        if (m_prevHas[code]) {
            if (r.volume == Currency())
                reference = m_prevRef[code]; // the reference close is carried forward
            else if (m_prevRef[code] != 0)
                change = close - m_prevRef[code];
        }

        // Keep Mei in step with the file's market and name.
        std::int16_t market = marketFromFileCode(r.fileMarket);
        std::string name = utf8Left(r.name, kMeiNameLength);
        if (!m_meiHas[code]) {
            if (Status st = m_meiInsert.bindAll(code, market, name).run(); !st)
                return Status::error(fileName + " の " + std::to_string(r.line) + " 行目: " + st.message());
            m_meiHas[code] = 1;
            m_meiFlag[code] = 0;
            m_meiMarket[code] = market;
            m_meiName[code] = name;
        } else if (m_meiMarket[code] != market || m_meiName[code] != name) {
            if (Status st = m_meiUpdate.bindAll(market, name, code).run(); !st)
                return Status::error(fileName + " の " + std::to_string(r.line) + " 行目: " + st.message());
            m_meiMarket[code] = market;
            m_meiName[code] = name;
        }
        m_seen[code] = 1;

        // A second record of the same issue on the same day is passed over; the first one stands.
        if (m_direct) {
            if (Status st = m_insert.bindAll(code, f, open, high, low, close, change, r.volume, reference).run(); !st)
                return Status::error(fileName + " の " + std::to_string(r.line) + " 行目: " + st.message());
            if (m_db.changes() != 1)
                continue;
        } else {
            if (m_curHas[code])
                continue;
            m_pending[code].push_back(
                {code, static_cast<std::int32_t>(f.ymd()), open, high, low, close, change, reference, r.volume});
            ++m_kept;
        }
        ++stored;
        m_curHas[code] = 1;
        m_curRef[code] = reference;
    }
    if (stored > 0) {
        m_lastDay = f;
        m_lastHas.swap(m_curHas);
        m_lastRef.swap(m_curRef);
    }
    rowsStored += stored;
    // An older day than the newest whole day stored says nothing about which issues are current.
    if (stored > 0 && (!m_options.olderDaysKeepFlags || !m_newestAtStart || f >= *m_newestAtStart)) {
        m_progress.showStep("銘柄処理中...");
        return applyUpdateFlags(fileName);
    }
    return Status::ok();
}

Status DailyImporter::flush() {
    // Each issue's bars were kept in the order of their days: issue by issue they give (コード, 日付).
    long long stored = 0;
    for (std::vector<PendingRow>& bars : m_pending) {
        if (bars.empty())
            continue;
        // A group takes a second or more: the screens keep servicing their events meanwhile.
        if ((stored += static_cast<long long>(bars.size())) >= kRowsBetweenIdle) {
            stored = 0;
            m_progress.keepAlive();
        }
        for (const PendingRow& r : bars) {
            if (Status st =
                    m_bulkInsert
                        .bindAll(r.code, r.date, r.open, r.high, r.low, r.close, r.change, r.volume, r.reference)
                        .run();
                !st)
                return st;
        }
    }
    for (std::vector<PendingRow>& bars : m_pending)
        bars.clear();
    m_kept = 0;
    return Status::ok();
}

Status DailyImporter::restart(int files, long long rows, size_t warningCount) {
    for (std::vector<PendingRow>& bars : m_pending)
        bars.clear();
    m_kept = 0;
    m_bulkInsert.reset();
    m_lastDay.reset();
    filesRead = files;
    rowsStored = rows;
    warnings.resize(warningCount);
    return loadMei();
}

// 更新Flg follows the issues of the latest file read: written with that file, so the flags always
// match the last day stored, also after an interrupted run.
Status DailyImporter::applyUpdateFlags(const std::string& fileName) {
    for (int code = 0; code < kCodes; ++code) {
        if (!m_meiHas[code] || m_meiFlag[code] == m_seen[code])
            continue;
        if (Status st = m_flag.bindAll(m_seen[code] != 0, code).run(); !st)
            return dbError(st, fileName);
        m_meiFlag[code] = m_seen[code];
    }
    return Status::ok();
}

// Files share a commit. When a file fails, it has rolled back alone and the files before it are
// committed. When storing the group's kept bars fails, the group is rolled back and read again with
// each bar stored as it is read, so the failure is met at its file and line as well.
class DailyGroup {
public:
    DailyGroup(db::Database& db, DailyImporter& importer) : m_db(db), m_importer(importer) {}

    Status begin() {
        m_tx = std::make_unique<db::Transaction>(m_db);
        m_files.clear();
        m_startFiles = m_importer.filesRead;
        m_startRows = m_importer.rowsStored;
        m_startWarnings = m_importer.warnings.size();
        return m_tx->began();
    }
    // Reads a file into the group. On failure the files before it are committed (or the commit's
    // failure is added to the message) and the group is over.
    Status add(const std::string& path, const std::string& name) {
        Status st = m_importer.importFile(path, name);
        if (st) {
            m_files.emplace_back(path, name);
            return st;
        }
        m_stoppedAt = name;
        Status committed = commit();
        return committed ? st : Status::error(st.message() + "\n" + committed.message());
    }
    Status commit() {
        if (Status st = m_importer.flush(); st && (st = m_tx->commit())) {
            for (const auto& file : m_files)
                m_stored.push_back(file.second);
            m_files.clear();
            return st;
        }
        m_tx->rollback();
        return replay();
    }
    // The names of the files stored so far, in order, and the file at which the run stopped ("" for none).
    const std::vector<std::string>& stored() const { return m_stored; }
    const std::string& stoppedAt() const { return m_stoppedAt; }
    Status commitAndBegin() {
        Status st = commit();
        return st ? begin() : st;
    }

private:
    Status replay() {
        if (Status st = m_importer.restart(m_startFiles, m_startRows, m_startWarnings); !st)
            return st;
        m_importer.setDirect(true);
        auto files = std::move(m_files);
        Status st = begin();
        size_t done = 0;
        for (; st && done < files.size(); ++done) {
            st = m_importer.importFile(files[done].first, files[done].second);
            if (!st)
                m_stoppedAt = files[done].second;
        }
        if (!st)
            --done; // the file that failed rolled back alone
        Status committed = m_tx->began() ? m_tx->commit() : m_tx->began();
        m_importer.setDirect(false);
        if (committed)
            for (size_t i = 0; i < done; ++i)
                m_stored.push_back(files[i].second);
        if (!st)
            return committed ? st : Status::error(st.message() + "\n" + committed.message());
        return committed;
    }

    db::Database& m_db;
    DailyImporter& m_importer;
    std::unique_ptr<db::Transaction> m_tx;
    std::vector<std::pair<std::string, std::string>> m_files;
    std::vector<std::string> m_stored;
    std::string m_stoppedAt;
    int m_startFiles = 0;
    long long m_startRows = 0;
    size_t m_startWarnings = 0;
};

} // namespace

DailyImportResult ImportDailyFiles(db::Database& db, Date from, Date to, const DailyImportOptions& options,
                                   const ImportProgress& progress) {
    DailyImportResult result;
    if (options.dailyFolder.empty())
        return result;
    if (!dirExists(options.dailyFolder)) {
        result.message =
            std::string(kNoStockData) + "(日々データーフォルダ " + options.dailyFolder + " がありません。)";
        return result;
    }
    ScopedCacheSize cache(db, kBulkCacheKib);
    DailyImporter importer(db, options, progress);
    if (Status st = importer.prepare(); !st) {
        result.status = st;
        return result;
    }
    DailyGroup group(db, importer);
    if (Status st = group.begin(); !st) {
        result.status = st;
        return result;
    }
    for (Date d = from; d <= to; d = d.addDays(1)) {
        const std::string name = dailyFileName(d);
        auto path = findFileNoCase(options.dailyFolder, name);
        if (!path)
            continue;
        Status st = group.add(*path, name);
        if (st && importer.keptRows() >= options.rowsPerCommit)
            st = group.commitAndBegin();
        if (!st) {
            result.status = st;
            result.storedFiles = group.stored();
            result.stoppedAt = group.stoppedAt();
            result.filesRead = importer.filesRead;
            result.rowsStored = importer.rowsStored;
            result.warnings = importer.warnings;
            return result;
        }
    }
    Status committed = group.commit();
    result.filesRead = importer.filesRead;
    result.rowsStored = importer.rowsStored;
    result.warnings = importer.warnings;
    if (!committed) {
        result.status = committed;
        result.storedFiles = group.stored();
        result.stoppedAt = group.stoppedAt();
        return result;
    }
    result.message = importer.rowsStored > 0 ? kReadFinished : kNoStockData;
    auto gaps = findDataGaps(db, from, to, Date::today());
    if (!gaps) {
        result.status = gaps.status();
        return result;
    }
    result.gapNotice = gaps->notice();

    if (options.readMargin) {
        auto margin = ImportMarginBalances(db, options.marginFolder, PrevMonday(PrevMonday(from).addDays(-1)),
                                           PrevFriday(to), progress);
        if (!margin) {
            result.status = margin.status();
            return result;
        }
        result.marginStored = *margin;
    }
    if (options.buildWeekly) {
        progress.showStep("週データー作成中...");
        if (Status st = BuildWeeklyBars(db, PrevMonday(from), NextFriday(to), progress); !st)
            result.status = st;
    }
    return result;
}

std::string stoppedImportMessage(const DailyImportResult& r) {
    if (r.stoppedAt.empty())
        return r.status.message();
    std::string text;
    if (r.storedFiles.empty()) {
        text = "読み込み済みのファイルはありません。";
    } else {
        text = r.storedFiles.front();
        if (r.storedFiles.size() > 1)
            text += "～" + r.storedFiles.back();
        text += ": 読み込み済み (" + std::to_string(r.storedFiles.size()) + " ファイル)。";
    }
    return text + r.stoppedAt + "で中止しました: " + r.status.message();
}

} // namespace kestrel::import
