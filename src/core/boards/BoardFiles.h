#pragma once
// Board text files and issue list files, and the main window's board operations on the shown issue.
//
// A board text file is CP932 with CR LF after every line (an empty board is a file of one CR LF); each
// line is 区分,コード,市場コード,銘柄 in the order of コード, then 市場コード. A load checks every line
// before it deletes anything and replaces the board in one transaction, so a bad file or a refused row
// leaves the board as it was. An issue list file holds one issue code per line (CP932, CR LF); read
// back, a line's text before its first "," is the code.
//
// Questions and notices go through the Prompt; the caller chooses file names (its dialogs) and passes
// an open database. The save, load and export flows return ok when they wrote, Cancelled (nothing shown)
// when the path is empty (the dialog was cancelled) or the user answered No, else the failure, whose
// message was shown.
#include "core/app/Date.h"
#include "core/app/Prompt.h"
#include "core/app/Status.h"
#include "core/db/Database.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrel::boards {

inline constexpr const char* kBoardFilterA = "株価ボードテキスト(*.A)|*.A|すべてのﾌｧｲﾙ(*.*)|*.*";
inline constexpr const char* kBoardFilterB = "株価ボードテキスト(*.B)|*.B|すべてのﾌｧｲﾙ(*.*)|*.*";
inline constexpr const char* kListExportFilter = "銘柄リスト(*.Lis)|*.Lis|すべてのﾌｧｲﾙ(*.*)|*.*";
inline constexpr const char* kListImportFilter = "銘柄出力ファイル（*.Lis） |*.TXT;*.Lis|すべてのﾌｧｲﾙ(*.*)|*.*";
const char* boardFilter(int board);
// The path a board is saved to: a file name typed without an extension gets the board's own (".A" or
// ".B"), so that the load dialog's filter shows it; a name with any extension is kept.
std::string withBoardExtension(const std::string& path, int board);

// The text a board file holds for the board (CP932 bytes); an error when a name has no CP932 form.
Result<std::string> boardText(db::Database& db, int board);
// Writes the board to path (replacing it atomically).
Status SaveBoardText(db::Database& db, const std::string& path, int board);

struct BoardLine {
    std::int16_t kind = 0;
    std::int32_t code = 0;
    std::int16_t market = 0;
    std::string name;
    std::size_t lineNo = 0; // line of the file, from 1
};
// Splits board file bytes into lines; blank lines are skipped. An error names the first line that has
// fewer than three "," or whose numbers are not numbers, or that repeats an earlier line's 区分 and コード.
Result<std::vector<BoardLine>> parseBoardText(std::string_view bytes);
// Replaces board with the lines of the file at path (each line keeps its own 区分): all or nothing.
Status LoadBoardText(db::Database& db, const std::string& path, int board);

// Save flow after the save dialog: an empty path does nothing; an existing file is overwritten only
// after the question; then the name part is stored under boardA/boardB and "保存しました。" shown.
Status saveBoardToFile(db::Database& db, const std::string& iniPath, int board, const std::string& path,
                       Prompt& prompt);
// Load flow after the open dialog: checks the file's first character against the board, asks before
// replacing, loads, stores the name part under boardA/boardB. Ok when the board was replaced (the
// caller then shows the board window); NotFound (nothing shown) for a missing file, InvalidInput for a
// file of the other board.
Status loadBoardFromFile(db::Database& db, const std::string& iniPath, int board, const std::string& path,
                         Prompt& prompt);

// The proposed list file name for today: YYMMDD + "_0".."_9" or "10".."99" + ".Lis", the first that
// does not exist in folder ("…99.Lis" when all do).
std::string proposedListName(const std::string& folder, Date today);
// The list file text: the first 4 characters of every row, each followed by CR LF (CP932).
Result<std::string> issueListText(const std::vector<std::string>& rows);
// Export flow after the save dialog: empty path does nothing; asks before overwriting; writes.
Status writeIssueListFile(const std::string& path, const std::vector<std::string>& rows, Prompt& prompt);
// The issue-list rows for the codes in the file at path that are issues of Mei, in file order.
Result<std::vector<std::string>> readIssueListFile(db::Database& db, const std::string& path);

} // namespace kestrel::boards
