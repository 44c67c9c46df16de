#include "support/TestSupport.h"

#include "core/db/Schema.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kestrel::test {

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kestrel-test-XXXXXX").string();
    if (!::mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

bool ScriptedPrompt::askYesNo(const std::string& text, const std::string& title) {
    questions.push_back(title + "|" + text);
    log.push_back("?" + text);
    if (answers.empty())
        return true;
    bool a = answers.front();
    answers.pop_front();
    return a;
}

void ScriptedPrompt::notify(const std::string& text, const std::string&) {
    notices.push_back(text);
    log.push_back("!" + text);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string testData(const std::string& name) {
    return std::string(KESTREL_TEST_DATA) + "/" + name;
}

std::string sharedTestData(const std::string& name) {
    std::string p = std::string(KESTREL_SHARED_TESTDATA) + "/" + name;
    // A checkout elsewhere (a worktree) names the shared folder in the environment.
    if (!std::filesystem::exists(p))
        if (const char* env = std::getenv("KESTREL_SHARED_TESTDATA"))
            p = std::string(env) + "/" + name;
    return std::filesystem::exists(p) ? p : std::string();
}

namespace {

std::unique_ptr<db::Database> openOrThrow(const std::string& path) {
    auto db = db::Database::open(path);
    if (!db)
        throw std::runtime_error("cannot open " + path + ": " + db.message());
    return std::move(*db);
}

std::string firstField(db::Database& db, const std::string& sql, bool* found) {
    auto st = db.prepare(sql);
    if (!st)
        throw std::runtime_error(st.message() + " in " + sql);
    auto row = st->step();
    if (!row)
        throw std::runtime_error(row.message() + " in " + sql);
    *found = *row && !st->isNull(0);
    return *found ? st->text(0) : std::string();
}

long long countOf(db::Database& db, const std::string& sql) {
    bool found = false;
    std::string text = firstField(db, sql, &found);
    return found ? std::stoll(text) : -1;
}

void execOn(db::Database& db, const std::string& sql) {
    Status st = db.exec(sql);
    if (!st)
        throw std::runtime_error(st.message() + " in " + sql);
}

} // namespace

void execSql(const std::string& path, const std::string& sql) {
    execOn(*openOrThrow(path), sql);
}

std::string queryText(const std::string& path, const std::string& sql) {
    bool found = false;
    return firstField(*openOrThrow(path), sql, &found);
}

long long queryCount(const std::string& path, const std::string& sql) {
    return countOf(*openOrThrow(path), sql);
}

KestrelDb::KestrelDb() {
    Status created = db::CreateDatabaseFile(path);
    if (!created)
        throw std::runtime_error("cannot create " + path + ": " + created.message());
    auto opened = db::openKestrelDatabase(path);
    if (!opened)
        throw std::runtime_error("cannot open " + path + ": " + opened.message());
    db = std::move(*opened);
}

void KestrelDb::exec(const std::string& sql) {
    execOn(*db, sql);
}

long long KestrelDb::count(const std::string& sql) {
    return countOf(*db, sql);
}

std::string KestrelDb::rows(const std::string& sql) {
    auto st = db->prepare(sql);
    if (!st)
        throw std::runtime_error(st.message() + " in " + sql);
    std::string out;
    for (auto r = st->step(); r && *r; r = st->step()) {
        for (int i = 0; i < st->columnCount(); ++i)
            out += (i ? "|" : "") + (st->isNull(i) ? std::string("NULL") : st->text(i));
        out += "\n";
    }
    return out;
}

} // namespace kestrel::test
