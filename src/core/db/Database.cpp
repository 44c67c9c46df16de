#include "core/db/Database.h"

#include "core/db/ReadOnlyOpen.h"

#include <cmath>
#include <sqlite3.h>
#include <sys/stat.h>
#include <utility>

namespace {
// The code a failed sqlite call carries: a file another program holds is busy, the rest is the database's.
kestrel::StatusCode sqliteCode(int rc) {
    int primary = rc & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED ? kestrel::StatusCode::Busy
                                                              : kestrel::StatusCode::Database;
}
} // namespace

namespace kestrel::db {

// ---- Statement ----

Statement::Statement(Statement&& o) noexcept
    : m_stmt(std::exchange(o.m_stmt, nullptr)), m_db(o.m_db), m_bindError(o.m_bindError) {}

Statement& Statement::operator=(Statement&& o) noexcept {
    if (this != &o) {
        sqlite3_finalize(m_stmt);
        m_stmt = std::exchange(o.m_stmt, nullptr);
        m_db = o.m_db;
        m_bindError = o.m_bindError;
    }
    return *this;
}

Statement::~Statement() {
    sqlite3_finalize(m_stmt);
}

Statement& Statement::bind(int index, std::int64_t v) {
    int rc = sqlite3_bind_int64(m_stmt, index, v);
    if (rc != SQLITE_OK)
        m_bindError = rc;
    return *this;
}

Statement& Statement::bind(int index, double v) {
    int rc = sqlite3_bind_double(m_stmt, index, v);
    if (rc != SQLITE_OK)
        m_bindError = rc;
    return *this;
}

Statement& Statement::bind(int index, std::string_view v) {
    int rc = sqlite3_bind_text(m_stmt, index, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        m_bindError = rc;
    return *this;
}

Statement& Statement::bind(int index, Currency v) {
    if (v.isWhole())
        return bind(index, v.truncToWhole());
    return bind(index, v.toDouble());
}

Statement& Statement::bindNull(int index) {
    int rc = sqlite3_bind_null(m_stmt, index);
    if (rc != SQLITE_OK)
        m_bindError = rc;
    return *this;
}

Result<bool> Statement::step() {
    if (m_bindError != SQLITE_OK) {
        int rc = std::exchange(m_bindError, SQLITE_OK);
        return Result<bool>::error(sqliteCode(rc), m_db->errorMessage(rc));
    }
    int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    std::string msg = m_db->errorMessage(rc);
    sqlite3_reset(m_stmt);
    return Result<bool>::error(sqliteCode(rc), msg);
}

Status Statement::run() {
    for (;;) {
        auto r = step();
        if (!r)
            return r.status();
        if (!*r)
            break;
    }
    sqlite3_reset(m_stmt);
    return Status::ok();
}

void Statement::reset() {
    sqlite3_reset(m_stmt);
}
void Statement::clearBindings() {
    sqlite3_clear_bindings(m_stmt);
}

bool Statement::isNull(int col) const {
    return sqlite3_column_type(m_stmt, col) == SQLITE_NULL;
}
std::int64_t Statement::int64(int col) const {
    if (sqlite3_column_type(m_stmt, col) == SQLITE_FLOAT)
        return static_cast<std::int64_t>(roundHalfEven(sqlite3_column_double(m_stmt, col)));
    return sqlite3_column_int64(m_stmt, col);
}
double Statement::real(int col) const {
    return sqlite3_column_double(m_stmt, col);
}

std::string Statement::text(int col) const {
    const unsigned char* p = sqlite3_column_text(m_stmt, col);
    if (!p)
        return {};
    return std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(m_stmt, col)));
}

Currency Statement::currency(int col) const {
    switch (sqlite3_column_type(m_stmt, col)) {
    case SQLITE_INTEGER:
        return Currency::fromWhole(sqlite3_column_int64(m_stmt, col));
    case SQLITE_FLOAT:
        return Currency::fromDouble(sqlite3_column_double(m_stmt, col));
    case SQLITE_TEXT:
        return Currency::parse(text(col)).value_or(Currency());
    default:
        return Currency();
    }
}

std::optional<Date> Statement::date(int col) const {
    if (isNull(col))
        return std::nullopt;
    return Date::fromYmdInt(sqlite3_column_int64(m_stmt, col));
}

bool Statement::integers(int first, int count, std::int64_t* out) const {
    for (int i = 0; i < count; ++i) {
        sqlite3_value* v = sqlite3_column_value(m_stmt, first + i);
        if (sqlite3_value_type(v) != SQLITE_INTEGER)
            return false;
        out[i] = sqlite3_value_int64(v);
    }
    return true;
}

int Statement::columnCount() const {
    return sqlite3_column_count(m_stmt);
}
std::string Statement::columnName(int col) const {
    const char* n = sqlite3_column_name(m_stmt, col);
    return n ? n : "";
}

// ---- Database ----

Database::~Database() {
    m_cached.clear(); // finalized before the connection closes
    sqlite3_close_v2(m_db);
}

Result<Statement*> Database::cached(const std::string& sql) {
    auto it = m_cached.find(sql);
    if (it == m_cached.end()) {
        auto st = prepare(sql);
        if (!st)
            return st.status();
        it = m_cached.emplace(sql, std::move(*st)).first;
    }
    it->second.reset();
    it->second.clearBindings();
    return &it->second;
}

Status Database::keepLogOnClose() {
    int rc = sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    return rc == SQLITE_OK ? Status::ok() : Status::error(sqliteCode(rc), errorMessage(rc));
}

std::string Database::errorMessage(int rc) const {
    std::string detail = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
    int primary = rc & 0xff;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        return "データベース " + m_path + " は他のプログラムが使用中です。しばらくしてからやり直してください。(" +
               detail + ")";
    if (primary == SQLITE_NOTADB)
        return "ファイル " + m_path + " はデータベースではありません。(" + detail + ")";
    if (primary == SQLITE_CORRUPT)
        return "データベース " + m_path + " が壊れています。(" + detail + ")";
    return m_path + ": " + detail;
}

Result<std::unique_ptr<Database>> Database::openWith(const std::string& path, int flags, bool verify,
                                                     const std::string& name) {
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2((name.empty() ? path : name).c_str(), &raw, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    std::unique_ptr<Database> db(new Database(raw, path));
    if (rc != SQLITE_OK)
        return Result<std::unique_ptr<Database>>::error(sqliteCode(rc), db->errorMessage(rc));
    // Another program (the converter, a backup) may hold the file for a moment.
    sqlite3_busy_timeout(raw, 5000);
    sqlite3_extended_result_codes(raw, 1);
    if (verify) {
        // Reading the schema is the first access to the file: a file that is not a database fails here.
        rc = sqlite3_exec(raw, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            return Result<std::unique_ptr<Database>>::error(sqliteCode(rc), db->errorMessage(rc));
    }
    if (!(flags & SQLITE_OPEN_READONLY)) {
        rc = sqlite3_exec(raw, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            return Result<std::unique_ptr<Database>>::error(sqliteCode(rc), db->errorMessage(rc));
    }
    return db;
}

Result<std::unique_ptr<Database>> Database::open(const std::string& path, OpenMode mode) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return Result<std::unique_ptr<Database>>::error(StatusCode::NotFound,
                                                        "データベース " + path + " が見つかりません。");
    if (mode == OpenMode::ReadOnly) {
        ReadOnlyName ro = readOnlyOpenName(path);
        return openWith(path, SQLITE_OPEN_READONLY | ro.extraFlags, true, ro.name);
    }
    // A folder or file that cannot be written is told in our words, before SQLite fails on it.
    if (Status st = checkWritable(path); !st)
        return Result<std::unique_ptr<Database>>(st);
    return openWith(path, SQLITE_OPEN_READWRITE, true);
}

Result<std::unique_ptr<Database>> Database::create(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        return Result<std::unique_ptr<Database>>::error("ファイル " + path + " はすでに存在します。");
    return openWith(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, false);
}

Status Database::exec(std::string_view sql) {
    std::string s(sql);
    char* err = nullptr;
    int rc = sqlite3_exec(m_db, s.c_str(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        std::string msg = errorMessage(rc);
        sqlite3_free(err);
        return Status::error(sqliteCode(rc), msg);
    }
    return Status::ok();
}

Result<Statement> Database::prepare(std::string_view sql) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(m_db, sql.data(), static_cast<int>(sql.size()), &stmt, nullptr);
    if (rc != SQLITE_OK)
        return Result<Statement>::error(sqliteCode(rc), errorMessage(rc));
    return Statement(stmt, this);
}

std::int64_t Database::lastInsertRowid() const {
    return sqlite3_last_insert_rowid(m_db);
}
int Database::changes() const {
    return sqlite3_changes(m_db);
}
bool Database::inAutocommit() const {
    return sqlite3_get_autocommit(m_db) != 0;
}

// ---- Transaction ----

Transaction::Transaction(Database& db) : m_db(db) {
    if (sqlite3_get_autocommit(db.handle()) == 0) {
        static int counter = 0;
        m_savepoint = true;
        m_name = "sp" + std::to_string(++counter);
        m_began = db.exec("SAVEPOINT " + m_name);
    } else {
        m_began = db.exec("BEGIN IMMEDIATE");
    }
    m_open = m_began.isOk();
}

Transaction::~Transaction() {
    rollback();
}

Status Transaction::commit() {
    if (!m_open)
        return m_began.isOk() ? Status::error(m_db.path() + ": transaction already ended") : m_began;
    Status st = m_db.exec(m_savepoint ? "RELEASE " + m_name : std::string("COMMIT"));
    if (st)
        m_open = false;
    return st;
}

void Transaction::rollback() {
    if (!m_open)
        return;
    m_open = false;
    if (m_savepoint) {
        // Rolling back reports nothing: a failed rollback leaves SQLite's own at close.
        (void)m_db.exec("ROLLBACK TO " + m_name);
        (void)m_db.exec("RELEASE " + m_name);
    } else {
        (void)m_db.exec("ROLLBACK");
    }
}

} // namespace kestrel::db
