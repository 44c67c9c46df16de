#pragma once
// Prompt: every question and notice a procedure shows goes through this interface, so the screens
// show message boxes, the command line prints (and answers from --yes), and tests script the answers.
#include <string>

namespace kestrel {

inline constexpr const char* kConfirmTitle = "確認";

class Prompt {
public:
    virtual ~Prompt() = default;
    // A Yes/No question with the information icon; true for Yes. The title is "確認" unless given.
    virtual bool askYesNo(const std::string& text, const std::string& title = kConfirmTitle) = 0;
    // An OK notice; an empty title means the program's default title.
    virtual void notify(const std::string& text, const std::string& title = "") = 0;
};

} // namespace kestrel
