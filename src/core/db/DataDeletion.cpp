#include "core/db/DataDeletion.h"

#include "core/app/Files.h"
#include "core/db/FolderLock.h"
#include "core/db/Schema.h"
#include "core/settings/Settings.h"

#include <cstdio>
#include <unistd.h>

namespace kestrel::db {
namespace {

constexpr const char* kEnterDate = "日付を入力して下さい。";
constexpr const char* kEnterCode = "銘柄コードを入力して下さい。";
constexpr const char* kEnterMarket = "市場コードを入力して下さい。";
constexpr const char* kDeleted = "削除終了しました。";
constexpr const char* kChanged = "変更終了しました。";

Status runOnTables(Database& db, const char* const* heads, size_t count, const std::string& tail,
                   const std::vector<std::int64_t>& args) {
    Transaction tx(db);
    if (!tx.began())
        return tx.began();
    for (size_t i = 0; i < count; ++i) {
        auto st = db.prepare(std::string(heads[i]) + tail);
        if (!st)
            return st.status();
        for (size_t a = 0; a < args.size(); ++a)
            st->bind(static_cast<int>(a + 1), args[a]);
        if (Status r = st->run(); !r)
            return r;
    }
    return tx.commit();
}

// An issue code or market code as typed: nothing when it is not a number (the caller asks for one),
// an error when it is a number out of range.
struct Whole {
    bool numeric = false;
    Result<std::int32_t> value = Status::error("");
};

Whole wholeNumber(const std::string& text) {
    Whole w;
    w.numeric = isNumeric(text);
    if (w.numeric)
        w.value = textToInt32(text);
    return w;
}

// Shows the first fault of an action's typed inputs, in the window's order: a code that is not a number,
// then a market that is not a number, then a date that is not a date (each InvalidInput), last a number
// out of range (the conversion's failure). Nothing when every input is sound.
std::optional<Status> rejectInputs(Prompt& prompt, std::initializer_list<const Whole*> codes,
                                   std::initializer_list<const Whole*> markets,
                                   std::initializer_list<const std::optional<Date>*> dates) {
    auto reject = [&](Status failure) {
        prompt.notify(failure.message());
        return std::optional<Status>(std::move(failure));
    };
    for (const Whole* w : codes)
        if (!w->numeric)
            return reject(Status::error(StatusCode::InvalidInput, kEnterCode));
    for (const Whole* w : markets)
        if (!w->numeric)
            return reject(Status::error(StatusCode::InvalidInput, kEnterMarket));
    for (const std::optional<Date>* d : dates)
        if (!*d)
            return reject(Status::error(StatusCode::InvalidInput, kEnterDate));
    for (auto list : {codes, markets})
        for (const Whole* w : list)
            if (!w->value)
                return reject(w->value.status());
    return std::nullopt;
}

// The database for one action; the error is shown when it cannot be opened.
Result<std::unique_ptr<Database>> openForAction(const std::string& path, Prompt& prompt) {
    auto db = openKestrelDatabase(path);
    if (!db)
        prompt.notify(db.message());
    return db;
}

// Deletes the bars of the mode that match condition (e.g. "where 日付<=?") and, in weekly mode, the
// margin balances that match it too, in one transaction.
template <typename... Args>
Status deleteBars(Database& db, const DeletionTarget& t, const std::string& condition, const Args&... args) {
    Transaction tx(db);
    Status st = tx.began();
    if (st)
        st = db.run("delete from " + t.barTable() + " " + condition, args...);
    if (st && isWeeklyMode(t.chartMode))
        st = db.run("delete from shinyo " + condition, args...);
    if (st)
        st = tx.commit();
    return st;
}

// Shows the failure's message and gives it back.
Status told(Prompt& prompt, Status failure) {
    prompt.notify(failure.message());
    return failure;
}

// Shows doneMessage on success, else the failure's message.
Status finish(Status st, Prompt& prompt, const char* doneMessage) {
    if (!st)
        return told(prompt, st);
    prompt.notify(doneMessage);
    return st;
}

} // namespace

Status DeleteFromAllTables(Database& db, const std::string& condition, const std::vector<std::int64_t>& args) {
    static const char* const kHeads[] = {
        "delete from daydata ", "delete from weekdata ", "delete from informationData ", "delete from board ",
        "delete from shinyo ",  "delete from Mei ",      "delete from Bunkatu ",         "delete from Hikisen "};
    return runOnTables(db, kHeads, std::size(kHeads), condition, args);
}

Status UpdateAllTables(Database& db, const std::string& clause, const std::vector<std::int64_t>& args) {
    static const char* const kHeads[] = {"Update dayData ", "Update weekData ", "Update informationData ",
                                         "Update board ",   "Update shinyo ",   "Update stockmarket ",
                                         "Update Bunkatu ", "Update Hikisen "};
    return runOnTables(db, kHeads, std::size(kHeads), clause, args);
}

std::string deletionModeLabel(std::int16_t chartMode) {
    return isWeeklyMode(chartMode) ? "週データ削除モード" : "日データ削除モード";
}

void removeSideFiles(const std::string& path) {
    std::remove((path + "-wal").c_str());
    std::remove((path + "-shm").c_str());
}

Status deleteAllData(const std::string& databasePath, Prompt& prompt) {
    if (!prompt.askYesNo("株価データー及びその他データーをすべて削除します　よろしいですか？"))
        return Status::cancelled();
    // The file is replaced: no other program may have it open.
    auto lock = FolderLock::take(folderOfFile(databasePath), LockMode::Exclusive, lockWaitMs());
    if (!lock)
        return told(prompt, lock.status());
    if (!fileExists(databasePath)) {
        prompt.notify("株価データーが無い為削除しませんでした。");
        return Status::ok();
    }
    // The empty database is built first, so a failure leaves the old file in place.
    std::string fresh = databasePath + ".cleared";
    std::remove(fresh.c_str());
    if (Status st = CreateDatabaseFile(fresh); !st)
        return told(prompt, st);
    // A write-ahead log of the old file must not meet the new one.
    if (auto old = Database::open(databasePath)) {
        // Best effort: folding the log in only keeps it from meeting the new file.
        (void)(*old)->exec("PRAGMA wal_checkpoint(TRUNCATE)");
    }
    removeSideFiles(databasePath);
    if (std::rename(fresh.c_str(), databasePath.c_str()) != 0) {
        std::remove(fresh.c_str());
        return told(prompt, Status::error(StatusCode::Io, "データベース " + databasePath + " を削除できません。"));
    }
    prompt.notify("株価データーをすべて削除しました。");
    return Status::ok();
}

Status deleteDateRange(const DeletionTarget& t, const std::string& firstDate, const std::string& lastDate,
                       Prompt& prompt) {
    auto first = Date::parse(firstDate);
    auto last = Date::parse(lastDate);
    if (auto rejected = rejectInputs(prompt, {}, {}, {&first, &last}))
        return *rejected;
    if (!prompt.askYesNo("日付範囲の株価ﾃﾞｰﾀｰをすべて削除します　よろしいですか？"))
        return Status::cancelled();
    auto opened = openForAction(t.databasePath, prompt);
    if (!opened)
        return opened.status();
    auto& db = *opened;
    return finish(deleteBars(*db, t, "where 日付 between ? and ?", *first, *last), prompt, kDeleted);
}

Status deleteInformationBefore(const DeletionTarget& t, const std::string& date, Prompt& prompt) {
    auto d = Date::parse(date);
    if (auto rejected = rejectInputs(prompt, {}, {}, {&d}))
        return *rejected;
    if (!prompt.askYesNo(d->toYYMMDD() + " 日以前の株価ﾃﾞｰﾀｰをすべて削除します　よろしいですか？"))
        return Status::cancelled();
    auto opened = openForAction(t.databasePath, prompt);
    if (!opened)
        return opened.status();
    auto& db = *opened;
    return finish(db->run("delete from informationData where 日付<=?", *d), prompt, kDeleted);
}

Status deleteIssue(const DeletionTarget& t, const std::string& code, Prompt& prompt) {
    Whole c = wholeNumber(code);
    if (auto rejected = rejectInputs(prompt, {&c}, {}, {}))
        return *rejected;
    std::string shown = std::to_string(*c.value);
    if (!prompt.askYesNo("銘柄ｺｰﾄﾞ=" + shown + " の及び株価ﾃﾞｰﾀｰをすべて削除します　よろしいですか？"))
        return Status::cancelled();
    auto opened = openForAction(t.databasePath, prompt);
    if (!opened)
        return opened.status();
    auto& db = *opened;
    return finish(DeleteFromAllTables(*db, "where コード=?", {*c.value}), prompt, kDeleted);
}

Status deleteIssueBefore(const DeletionTarget& t, const std::string& code, const std::string& date, Prompt& prompt) {
    Whole c = wholeNumber(code);
    auto d = Date::parse(date);
    if (auto rejected = rejectInputs(prompt, {&c}, {}, {&d}))
        return *rejected;
    std::string shown = std::to_string(*c.value);
    if (!prompt.askYesNo("銘柄ｺｰﾄﾞ=" + shown + " の株価ﾃﾞｰﾀｰをすべて削除します　よろしいですか？"))
        return Status::cancelled();
    auto opened = openForAction(t.databasePath, prompt);
    if (!opened)
        return opened.status();
    auto& db = *opened;
    return finish(deleteBars(*db, t, "where コード=? and 日付<=?", *c.value, *d), prompt, kDeleted);
}

Status changeIssueCode(const DeletionTarget& t, const std::string& oldCode, const std::string& newCode,
                       const std::optional<std::string>& oldMarket, const std::string& newMarket, Prompt& prompt) {
    Whole from = wholeNumber(oldCode);
    Whole to = wholeNumber(newCode);
    Whole market = wholeNumber(newMarket);
    // The old market is only checked to be a number.
    Whole formerMarket{!oldMarket || isNumeric(*oldMarket), 0};
    if (auto rejected = rejectInputs(prompt, {&from, &to}, {&formerMarket, &market}, {}))
        return *rejected;
    if (!prompt.askYesNo("コード　又は　市場　を変更します　よろしいですか？"))
        return Status::cancelled();
    auto opened = openForAction(t.databasePath, prompt);
    if (!opened)
        return opened.status();
    auto& db = *opened;

    static const struct {
        const char* table;
        const char* question;
    } kCollisions[] = {
        {barTableName(BarTable::Daily), "日データに変更先のコードがすでに存在しますが　実行しますか？"},
        {barTableName(BarTable::Weekly), "週データに変更先のコードがすでに存在します　実行しますか？"},
        {"informationData", "株式情報データに変更先のコードがすでに存在します　実行しますか？"},
        {"board", "株価ボードＡデータに変更先のコードがすでに存在します　実行しますか？"},
    };
    for (const auto& c : kCollisions) {
        auto found = db->queryInt("select 1 from " + std::string(c.table) + " where コード=? limit 1", *to.value);
        if (!found)
            return told(prompt, found.status());
        if (found->has_value() && !prompt.askYesNo(c.question))
            return Status::cancelled();
    }
    auto inMei = db->queryInt("select 1 from Mei where コード=? and 市場コード=? limit 1", *to.value, *market.value);
    if (!inMei)
        return told(prompt, inMei.status());
    if (inMei->has_value() && !prompt.askYesNo("銘柄データに変更先のコードがすでに存在します　実行しますか？"))
        return Status::cancelled();

    Transaction tx(*db);
    Status st = tx.began();
    if (st)
        st = UpdateAllTables(*db, "set コード=? where コード=?", {*to.value, *from.value});
    if (st)
        st = db->run("Update Mei set コード=?, 市場コード=? where コード=?", *to.value, *market.value, *from.value);
    if (st)
        st = tx.commit();
    return finish(st, prompt, kChanged);
}

} // namespace kestrel::db
