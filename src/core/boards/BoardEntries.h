#pragma once
// The main window's board operations on the shown issue and on the issue list: register or remove the
// shown issue, a board into the issue list, and the move of one issue to the other board. Each works
// on an open database, asks and tells through the Prompt, and returns ok only when it changed the
// board; Cancelled (nothing shown) when the user answered No, else the failure, whose message was shown.
// Board 1 is A; any other kind is B.
#include "core/app/Date.h"
#include "core/app/Prompt.h"
#include "core/app/Status.h"
#include "core/db/Database.h"

#include <string>
#include <vector>

namespace kestrel::boards {

// The shown issue as the main window shows it: the code box text, market short name, issue name.
struct ShownIssue {
    std::string code;
    std::string market;
    std::string name;
};

// Registers the shown issue on the board after the question (title "登録確認"); zero prices, today, the
// name cut to kBoardNameLength characters.
// InvalidInput without asking when no issue is shown.
Status registerShownIssue(db::Database& db, int board, const ShownIssue& shown, Date today, Prompt& prompt);
// Removes the shown issue from the board after the question (title "削除確認"). NotFound when the
// board does not hold it.
Status removeShownIssue(db::Database& db, int board, const ShownIssue& shown, Prompt& prompt);
// The issue-list rows of the board's issues found in Mei, by market, then code.
Result<std::vector<std::string>> boardIssueListRows(db::Database& db, int board);
// Moves the issue whose code text is codeText from the source board to the other one after the
// question naming caption; ok when the row was moved, InvalidInput without asking for a code that is not
// a number, NotFound when the source board does not hold the issue.
Status MoveBetweenBoards(db::Database& db, int source, const std::string& codeText, const std::string& caption,
                         Prompt& prompt);

} // namespace kestrel::boards
