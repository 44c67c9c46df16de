#pragma once
// The command registry of the `kestrel` tool. Each Cmd*.cpp file defines its commands and registers
// them with a static CommandRegistrar; main() parses the global options, runs start-up for the program
// folder when the command needs it, and calls the command with an Invocation.
#include "core/app/Date.h"
#include "core/app/Prompt.h"
#include "core/db/Database.h"
#include "core/startup/AppContext.h"

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::cli {

// Prints notices and questions; questions are answered by --yes / --no, or at the terminal.
class CliPrompt : public Prompt {
public:
    CliPrompt(std::ostream& out, std::optional<bool> answer) : m_out(out), m_answer(answer) {}
    bool askYesNo(const std::string& text, const std::string& title = kConfirmTitle) override;
    void notify(const std::string& text, const std::string& title = "") override;

private:
    std::ostream& m_out;
    std::optional<bool> m_answer;
};

struct Invocation {
    std::vector<std::string> args; // the command's own arguments
    AppContext& context;
    Prompt& prompt;
    std::ostream& out;
    std::ostream& err;
    // Where notices that are errors or warnings go (err); the prompt itself when unset.
    Prompt* errorNotices = nullptr;
    Prompt& errorPrompt() { return errorNotices ? *errorNotices : prompt; }

    // Removes "--name" from args; true when it was there.
    bool takeFlag(const std::string& name);
    // Removes "--name VALUE" or "--name=VALUE" from args; the value, or nothing.
    std::optional<std::string> takeOption(const std::string& name);
    // A date argument (YYYY-MM-DD, YYYY/MM/DD or YY/MM/DD); prints an error and gives nothing when it is
    // not a date (the exit status is then invalid input, 5).
    std::optional<Date> parseDate(const std::string& text);
    // Prints the usage line of the command to err and returns the exit status for wrong arguments.
    int usage();
    // Prints message as a line to err and returns the exit status of a command that failed (1).
    int fail(const std::string& message);
    // Prints message as a line to err and returns the exit status of code.
    int fail(StatusCode code, const std::string& message) { return fail(Status::error(code, message)); }
    // Prints the status's message as a line to err and returns the exit status of its code.
    int fail(const Status& status);
    template <typename T> int fail(const Result<T>& result) { return fail(result.status()); }
    // Opens the program folder's Kestrel.mdb; prints the error to err and gives nothing when it cannot
    // (lastFailure is then the exit status of its reason: busy, file or database).
    std::unique_ptr<db::Database> openDatabase(db::OpenMode mode = db::OpenMode::ReadWrite);
    std::string usageText;
    // The exit status of the last failure printed by fail(Status) or openDatabase.
    int lastFailure = 1;
};

// For procedures that tell their outcome through the prompt: notices are kept until the outcome is
// known, then printed on out when it was done and on err when it was refused or failed. Questions are
// asked at once through the invocation's prompt.
class OutcomePrompt : public Prompt {
public:
    explicit OutcomePrompt(Invocation& inv) : m_inv(inv) {}
    bool askYesNo(const std::string& text, const std::string& title = kConfirmTitle) override;
    void notify(const std::string& text, const std::string& title = "") override;
    // Prints the kept notices; the exit status (0 when done, else 1).
    int finish(bool done);
    // Prints the kept notices (on out when ok); the exit status of the outcome's code. The procedure has
    // told its message already, so the status's own message is not printed again.
    int finish(const Status& outcome);

private:
    Invocation& m_inv;
    std::vector<std::string> m_notices;
};

using Handler = int (*)(Invocation&);

struct CommandInfo {
    const char* name;
    const char* usage;   // arguments after the name
    const char* summary; // one line
    Handler run;
    bool needsHome = true;    // start-up runs for the program folder first
    bool needsGui = false;    // needs a (offscreen) GUI application, for drawing
    bool anyDatabase = false; // runs whatever state Kestrel.mdb is in (a damaged one does not stop the start)
};

// The exit status of a failure: 1 for a failure of no particular kind, 3 and up by its code.
int exitCodeFor(StatusCode code);
// The lines of --help that list the exit statuses.
const char* exitCodeHelp();

void registerCommand(const CommandInfo& command);
const std::vector<CommandInfo>& commands();

struct CommandRegistrar {
    explicit CommandRegistrar(const CommandInfo& command) { registerCommand(command); }
};

} // namespace kestrel::cli
