#include "core/boards/BoardEntries.h"

#include "core/app/Encoding.h"
#include "core/boards/BoardStore.h"
#include "core/db/IssueMarkets.h"
#include "core/db/Lookups.h"
#include "core/db/MarketNames.h"
#include "core/settings/Settings.h"

namespace kestrel::boards {
namespace {

constexpr const char* kNeedIssue = "銘柄コードを入力して下さい。";
constexpr const char* kAlreadyOnBoard = "すでに登録されています。";

std::string wideLetter(int board) {
    return board == 1 ? "Ａ" : "Ｂ";
}

// Shows the failure's message and gives it back.
Status told(Prompt& prompt, Status failure) {
    prompt.notify(failure.message());
    return failure;
}

} // namespace

Status registerShownIssue(db::Database& db, int board, const ShownIssue& shown, Date today, Prompt& prompt) {
    if (shown.market.empty() || shown.name.empty())
        return told(prompt, Status::error(StatusCode::InvalidInput, kNeedIssue));
    if (!prompt.askYesNo(shown.name + " を株価ボード" + wideLetter(board) + "に登録します　よろしいですか？",
                         "登録確認"))
        return Status::cancelled();
    auto code = textToInt32(shown.code);
    if (!code)
        return told(prompt, code.status());
    auto held = boardHolds(db, board, *code);
    if (!held)
        return told(prompt, held.status());
    if (*held)
        return told(prompt, Status::error(kAlreadyOnBoard));
    Status st =
        db.run("INSERT INTO board (区分, コード, 市場コード, 銘柄, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) "
               "VALUES (?, ?, ?, ?, ?, 0, 0, 0, 0, 0, 0)",
               board, *code, db::GetMarketCode(db, *code, &prompt), utf8Left(shown.name, kBoardNameLength), today);
    return st ? st : told(prompt, st);
}

Status removeShownIssue(db::Database& db, int board, const ShownIssue& shown, Prompt& prompt) {
    if (shown.market.empty() || shown.name.empty())
        return told(prompt, Status::error(StatusCode::InvalidInput, kNeedIssue));
    if (!prompt.askYesNo(shown.name + " を株価ボード" + wideLetter(board) + "から削除します　よろしいですか？",
                         "削除確認"))
        return Status::cancelled();
    auto code = textToInt32(shown.code);
    if (!code)
        return told(prompt, code.status());
    auto removed = deleteFromBoard(db, board, *code);
    if (!removed)
        return told(prompt, removed.status());
    if (!*removed)
        return told(prompt, Status::error(StatusCode::NotFound, "株価ボードに登録されていません。"));
    return Status::ok();
}

Result<std::vector<std::string>> boardIssueListRows(db::Database& db, int board) {
    auto markets = db::loadIssueMarkets(db);
    if (!markets)
        return markets.status();
    auto st = db.prepare("SELECT board.コード, board.市場コード, Mei.銘柄 FROM board INNER JOIN Mei ON "
                         "board.市場コード = Mei.市場コード AND board.コード = Mei.コード WHERE board.区分 = ? "
                         "ORDER BY board.市場コード, board.コード");
    if (!st)
        return st.status();
    st->bind(1, board);
    std::vector<std::string> rows;
    if (Status read = st->forEachRow([&] {
            rows.push_back(db::issueListRow(st->int32(0),
                                            markets->nameOf(st->int32(0), st->isNull(1) ? 0 : st->int32(1)),
                                            st->isNull(2) ? std::string() : st->text(2)));
        });
        !read)
        return read;
    return rows;
}

Status MoveBetweenBoards(db::Database& db, int source, const std::string& codeText, const std::string& caption,
                         Prompt& prompt) {
    auto code = isNumeric(codeText) ? textToInt32(codeText) : Result<std::int32_t>::error("");
    if (!code)
        return told(prompt, Status::error(StatusCode::InvalidInput, "株価ボードデーターを移動できません。"));
    if (!prompt.askYesNo("コード=" + codeText + " 銘柄を " + caption + " しますよろしいですか？"))
        return Status::cancelled();
    const int from = source == 1 ? 1 : 2;
    const int to = from == 1 ? 2 : 1;
    auto onDestination = boardHolds(db, to, *code);
    auto onSource = onDestination && !*onDestination ? boardHolds(db, from, *code) : Result<bool>(false);
    if (!onDestination || !onSource)
        return told(prompt, !onDestination ? onDestination.status() : onSource.status());
    if (*onDestination)
        return told(prompt, Status::error(kAlreadyOnBoard));
    if (!*onSource)
        return told(prompt,
                    Status::error(StatusCode::NotFound, "ボード" + boardLetter(from) + "に登録されていません。"));
    if (Status st = db.run("UPDATE board SET 区分 = ? WHERE 区分 = ? AND コード = ?", to, from, *code); !st)
        return told(prompt, st);
    prompt.notify("移動しました。");
    return Status::ok();
}

} // namespace kestrel::boards
