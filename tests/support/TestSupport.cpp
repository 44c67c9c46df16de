#include "support/TestSupport.h"

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

} // namespace kestrel::test
