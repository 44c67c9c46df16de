#include "Command.h"

#include "core/db/Schema.h"

#include <algorithm>
#include <iostream>
#include <unistd.h>

namespace kestrel::cli {

bool CliPrompt::askYesNo(const std::string& text, const std::string& title) {
    m_out << "[" << title << "] " << text;
    if (m_answer) {
        m_out << " -> " << (*m_answer ? "はい" : "いいえ") << "\n";
        return *m_answer;
    }
    if (::isatty(STDIN_FILENO)) {
        m_out << " [y/N] " << std::flush;
        std::string line;
        std::getline(std::cin, line);
        return !line.empty() && (line[0] == 'y' || line[0] == 'Y');
    }
    m_out << " -> いいえ (--yes で実行します)\n";
    return false;
}

void CliPrompt::notify(const std::string& text, const std::string&) {
    m_out << text << "\n";
}

bool OutcomePrompt::askYesNo(const std::string& text, const std::string& title) {
    return m_inv.prompt.askYesNo(text, title);
}

void OutcomePrompt::notify(const std::string& text, const std::string&) {
    m_notices.push_back(text);
}

int OutcomePrompt::finish(bool done) {
    return finish(done ? Status::ok() : Status::error(""));
}

int OutcomePrompt::finish(const Status& outcome) {
    for (const std::string& n : m_notices)
        (outcome ? m_inv.out : m_inv.err) << n << "\n";
    m_notices.clear();
    return exitCodeFor(outcome.code());
}

bool Invocation::takeFlag(const std::string& name) {
    auto it = std::find(args.begin(), args.end(), name);
    if (it == args.end())
        return false;
    args.erase(it);
    return true;
}

std::optional<std::string> Invocation::takeOption(const std::string& name) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == name && i + 1 < args.size()) {
            std::string v = args[i + 1];
            args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
            return v;
        }
        if (args[i].rfind(name + "=", 0) == 0) {
            std::string v = args[i].substr(name.size() + 1);
            args.erase(args.begin() + static_cast<long>(i));
            return v;
        }
    }
    return std::nullopt;
}

std::optional<Date> Invocation::parseDate(const std::string& text) {
    auto d = Date::parse(text);
    if (!d) {
        err << "kestrel: \"" << text << "\" is not a date (YYYY-MM-DD, YYYY/MM/DD or YY/MM/DD)\n";
        lastFailure = exitCodeFor(StatusCode::InvalidInput);
    }
    return d;
}

int Invocation::usage() {
    err << usageText << "\n";
    return 2;
}

int Invocation::fail(const std::string& message) {
    err << message << "\n";
    return 1;
}

int Invocation::fail(const Status& status) {
    if (!status.message().empty())
        err << status.message() << "\n";
    lastFailure = exitCodeFor(status.code());
    return lastFailure;
}

int exitCodeFor(StatusCode code) {
    switch (code) {
    case StatusCode::Ok:
        return 0;
    case StatusCode::Cancelled:
        return 3;
    case StatusCode::NotFound:
        return 4;
    case StatusCode::InvalidInput:
    case StatusCode::OutOfRange:
        return 5;
    case StatusCode::Busy:
        return 6;
    case StatusCode::Io:
        return 7;
    case StatusCode::Database:
        return 8;
    case StatusCode::Failed:
        break;
    }
    return 1;
}

const char* exitCodeHelp() {
    return "exit status:\n"
           "  0 done, 1 failed, 2 wrong arguments, 3 cancelled (a question answered No),\n"
           "  4 not found, 5 invalid input, 6 busy (in use elsewhere), 7 file error, 8 database error\n";
}

std::unique_ptr<db::Database> Invocation::openDatabase(db::OpenMode mode) {
    auto db = db::openKestrelDatabase(context.paths.databasePath, mode);
    if (!db) {
        (void)fail(db);
        return nullptr;
    }
    return std::move(*db);
}

std::vector<CommandInfo>& registry() {
    static std::vector<CommandInfo> r;
    return r;
}

void registerCommand(const CommandInfo& command) {
    registry().push_back(command);
}
const std::vector<CommandInfo>& commands() {
    return registry();
}

} // namespace kestrel::cli
