#pragma once
// Shared test helpers: a temporary folder per test, a scripted prompt, and file helpers.
#include "core/app/Prompt.h"

#include <deque>
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

} // namespace kestrel::test
