#pragma once
// A small layer over SQLite for Kestrel.mdb and the files the converter reads.
// Database owns one connection; Statement owns one prepared statement with bound parameters
// (user text never becomes SQL); Transaction rolls back unless committed. Every call returns a
// Status or Result whose message names the file and says what went wrong.
//
// Stored forms: Long and Integer fields are SQLite integers; Currency fields have NUMERIC affinity
// and hold a whole number as an integer and a fraction as a real rounded to four decimals on read
// (exact for volumes up to 10^11 with fractions, and to 9.2 * 10^14 when whole); dates are the
// integer YYYYMMDD; Yes/No is 0 or 1; text is UTF-8.
#include "core/app/Currency.h"
#include "core/app/Date.h"
#include "core/app/Status.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace kestrel::db {

class Statement {
public:
    Statement() = default;
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    // Parameters are numbered from 1.
    Statement& bind(int index, std::int64_t v);
    Statement& bind(int index, int v) { return bind(index, static_cast<std::int64_t>(v)); }
    Statement& bind(int index, long long v) { return bind(index, static_cast<std::int64_t>(v)); }
    Statement& bind(int index, std::int16_t v) { return bind(index, static_cast<std::int64_t>(v)); }
    Statement& bind(int index, double v);
    Statement& bind(int index, std::string_view v);
    Statement& bind(int index, const char* v) { return bind(index, std::string_view(v)); }
    Statement& bind(int index, const std::string& v) { return bind(index, std::string_view(v)); }
    Statement& bind(int index, Currency v);
    Statement& bind(int index, Date v) { return bind(index, static_cast<std::int64_t>(v.ymd())); }
    Statement& bind(int index, bool v) { return bind(index, static_cast<std::int64_t>(v ? 1 : 0)); }
    Statement& bindNull(int index);
    template <typename T> Statement& bind(int index, const std::optional<T>& v) {
        return v ? bind(index, *v) : bindNull(index);
    }
    // Binds the arguments to parameters 1..n.
    template <typename... Args> Statement& bindAll(const Args&... args) {
        int i = 0;
        (bind(++i, args), ...);
        return *this;
    }

    // Steps once: true when a row is ready, false when done; an error otherwise.
    Result<bool> step();
    // Steps to the end, for statements that return no rows.
    Status run();
    // Steps through every row, calling onRow() with the statement on each; the first error ends the
    // walk and is returned.
    template <typename F> Status forEachRow(F&& onRow) {
        for (;;) {
            auto r = step();
            if (!r)
                return r.status();
            if (!*r)
                return Status::ok();
            onRow();
        }
    }
    // Makes the statement ready to run again; bindings stay unless cleared.
    void reset();
    void clearBindings();

    bool isNull(int col) const;
    std::int64_t int64(int col) const;
    std::int32_t int32(int col) const { return static_cast<std::int32_t>(int64(col)); }
    double real(int col) const;
    std::string text(int col) const;
    Currency currency(int col) const;
    std::optional<Date> date(int col) const;
    // Columns first .. first+count-1 as stored integers, for readers of many rows: true when every one
    // of them holds an INTEGER (out then has their values); false otherwise, and such a row is read
    // with the accessors above.
    bool integers(int first, int count, std::int64_t* out) const;
    int columnCount() const;
    std::string columnName(int col) const;

    bool valid() const { return m_stmt != nullptr; }

private:
    friend class Database;
    Statement(sqlite3_stmt* stmt, class Database* db) : m_stmt(stmt), m_db(db) {}
    sqlite3_stmt* m_stmt = nullptr;
    class Database* m_db = nullptr;
    int m_bindError = 0;
};

enum class OpenMode { ReadWrite, ReadOnly };

class Database {
public:
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens an existing database file. Never creates or overwrites one: a missing file, a file that is
    // not a database, or a locked one gives an error naming the file. ReadWrite in a folder (or on a
    // file) that cannot be written fails with a message naming it; ReadOnly works there.
    static Result<std::unique_ptr<Database>> open(const std::string& path, OpenMode mode = OpenMode::ReadWrite);
    // Creates a new, empty database file; fails when the file exists.
    static Result<std::unique_ptr<Database>> create(const std::string& path);

    Status exec(std::string_view sql);
    Result<Statement> prepare(std::string_view sql);
    // A statement kept by the connection for queries that run at every chart load: prepared once, handed
    // out reset with no bindings. The caller steps it to the end or resets it before the next use (ResetOnExit),
    // so that it holds no read lock; it must not be in use twice at once.
    Result<Statement*> cached(const std::string& sql);
    // Runs sql with the arguments bound; for statements that return no rows.
    template <typename... Args> Status run(std::string_view sql, const Args&... args) {
        auto st = prepare(sql);
        if (!st)
            return st.status();
        st->bindAll(args...);
        return st->run();
    }
    // The first column of the first row, or nothing when there is no row.
    template <typename... Args>
    Result<std::optional<std::int64_t>> queryInt(std::string_view sql, const Args&... args) {
        auto st = prepare(sql);
        if (!st)
            return st.status();
        st->bindAll(args...);
        auto r = st->step();
        if (!r)
            return r.status();
        if (!*r || st->isNull(0))
            return std::optional<std::int64_t>();
        return std::optional<std::int64_t>(st->int64(0));
    }

    // Closing this connection leaves the write-ahead log as it is instead of copying it into the file:
    // for a writer that opens and closes the file for every small transaction, which leaves the log to
    // SQLite's own checkpoint (every 1,000 pages) and to the next connection that closes normally.
    Status keepLogOnClose();

    std::int64_t lastInsertRowid() const;
    int changes() const;
    // False inside a transaction: what it wrote is not yet seen by another connection.
    bool inAutocommit() const;
    const std::string& path() const { return m_path; }
    sqlite3* handle() const { return m_db; }
    // The message of the last error, prefixed with the file name.
    std::string errorMessage(int rc) const;

private:
    Database(sqlite3* db, std::string path) : m_db(db), m_path(std::move(path)) {}
    // name: what SQLite opens when it is not path itself (a URI); messages name path.
    static Result<std::unique_ptr<Database>> openWith(const std::string& path, int flags, bool verify,
                                                      const std::string& name = {});
    sqlite3* m_db = nullptr;
    std::string m_path;
    std::unordered_map<std::string, Statement> m_cached;
};

// Resets a statement when the scope ends, however it ends.
class ResetOnExit {
public:
    explicit ResetOnExit(Statement& st) : m_st(st) {}
    ~ResetOnExit() { m_st.reset(); }
    ResetOnExit(const ResetOnExit&) = delete;
    ResetOnExit& operator=(const ResetOnExit&) = delete;

private:
    Statement& m_st;
};

// A transaction (or, nested, a savepoint): rolled back on destruction unless commit() succeeded.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    // The status of BEGIN; when it failed, nothing else may run in the transaction.
    const Status& began() const { return m_began; }
    Status commit();
    void rollback();

private:
    Database& m_db;
    Status m_began;
    bool m_open = false;
    bool m_savepoint = false;
    std::string m_name;
};

} // namespace kestrel::db
