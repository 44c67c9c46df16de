#pragma once
// Shared test helpers: a temporary folder per test, a scripted prompt, file helpers, and a fresh
// Kestrel.mdb with short-hand queries. Set-up steps that fail throw std::runtime_error, which fails the
// test where it stands (both test frameworks report an escaping exception).
#include "core/app/Date.h"
#include "core/app/Prompt.h"
#include "core/db/Database.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace kestrel::test {

// A fresh folder under the system temp folder, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// A Prompt that records every question and notice and answers questions from a script
// (Yes when the script is empty).
class ScriptedPrompt : public Prompt {
public:
    bool askYesNo(const std::string& text, const std::string& title = kConfirmTitle) override;
    void notify(const std::string& text, const std::string& title = "") override;

    void answer(bool yes) { answers.push_back(yes); }
    std::deque<bool> answers;
    std::vector<std::string> questions; // "title|text"
    std::vector<std::string> notices;   // text
    std::vector<std::string> log;       // "?text" or "!text", in order
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
// Test data shipped with the repository (tests/data).
std::string testData(const std::string& name);
// The shared real-world fixtures, or "" when the folder is absent (tests then skip).
std::string sharedTestData(const std::string& name);

// Statements on the database file at `path`, each on a connection of its own that is closed again (so
// a test can check that the code under test holds no file open).
void execSql(const std::string& path, const std::string& sql);
// The first field of the first row as text ("" when there is no row).
std::string queryText(const std::string& path, const std::string& sql);
// The first field of the first row as a number (-1 when there is no row or it is Null).
long long queryCount(const std::string& path, const std::string& sql);

// A date of a table of cases (one that exists).
inline Date ymd(int y, int m, int d) {
    return *Date::fromYmd(y, m, d);
}

// Xorshift numbers: a random market that is the same on every run.
struct Xorshift {
    std::uint64_t seed = 1;
    // A number in 0 .. m - 1.
    long long next(long long m) {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        return static_cast<long long>(seed % static_cast<std::uint64_t>(m));
    }
};

// A fresh Kestrel.mdb in a temporary folder, held open in `db`.
struct KestrelDb {
    TempDir dir;
    std::string path = dir.file("Kestrel.mdb");
    std::unique_ptr<db::Database> db;
    KestrelDb();
    void exec(const std::string& sql);
    long long count(const std::string& sql);
    // Every row of a query, fields joined by "|" (Null as "NULL"), each row ended by "\n".
    std::string rows(const std::string& sql);
};

} // namespace kestrel::test
