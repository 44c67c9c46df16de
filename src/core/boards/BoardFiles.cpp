#include "core/boards/BoardFiles.h"

#include "core/app/Encoding.h"
#include "core/app/Files.h"
#include "core/boards/BoardStore.h"
#include "core/db/Lookups.h"
#include "core/db/MarketNames.h"
#include "core/settings/IniFile.h"
#include "core/settings/Settings.h"

namespace kestrel::boards {
namespace {

constexpr const char* kCrLf = "\r\n";

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string line(text.substr(start, end - start));
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

std::string namePart(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

constexpr size_t kNameChars = 20; // the board's 銘柄 field

std::string lineError(size_t lineNo) {
    return "株価ボードファイルの " + std::to_string(lineNo) + " 行目を読み込めません。";
}

} // namespace

const char* boardFilter(int board) {
    return board == 1 ? kBoardFilterA : kBoardFilterB;
}

std::string withBoardExtension(const std::string& path, int board) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (nameStart >= path.size())
        return path; // a folder, not a file name
    const std::size_t dot = path.find_last_of('.');
    const char* extension = board == 1 ? "A" : "B";
    if (dot == path.size() - 1)
        return path + extension; // "mine." names no extension yet
    if (dot != std::string::npos && dot > nameStart)
        return path;
    return path + "." + extension;
}

Result<std::string> boardText(db::Database& db, int board) {
    auto rows = readBoard(db, board, BoardOrder::CodeMarket);
    if (!rows)
        return rows.status();
    std::string text;
    for (size_t i = 0; i < rows->size(); ++i) {
        const BoardRow& r = (*rows)[i];
        if (i > 0)
            text += kCrLf;
        text += std::to_string(r.kind) + "," + std::to_string(r.code) + "," + std::to_string(r.market) + "," + r.name;
    }
    text += kCrLf;
    auto bytes = utf8ToCp932(text);
    if (!bytes)
        return Result<std::string>::error(StatusCode::InvalidInput,
                                          "株価ボードの銘柄名に CP932 で表せない文字があります。");
    return *bytes;
}

Status SaveBoardText(db::Database& db, const std::string& path, int board) {
    auto text = boardText(db, board);
    if (!text)
        return text.code() == StatusCode::InvalidInput
                   ? Status::error(StatusCode::InvalidInput, path + " に書けません。" + text.message())
                   : text.status();
    return writeFileAtomically(path, *text);
}

Result<std::vector<BoardLine>> parseBoardText(std::string_view bytes) {
    auto text = cp932ToUtf8(bytes);
    if (!text)
        return Result<std::vector<BoardLine>>::error("株価ボードファイルの文字を読めません。");
    std::vector<BoardLine> out;
    const std::vector<std::string> lines = splitLines(*text);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty())
            continue;
        std::string fields[4];
        size_t start = 0;
        bool ok = true;
        for (int f = 0; f < 3; ++f) {
            const size_t comma = line.find(',', start);
            if (comma == std::string::npos) {
                ok = false;
                break;
            }
            fields[f] = line.substr(start, comma - start);
            start = comma + 1;
        }
        if (!ok)
            return Result<std::vector<BoardLine>>::error(lineError(i + 1));
        const size_t comma = line.find(',', start);
        fields[3] = line.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        auto kind = textToInt16(fields[0]);
        auto code = textToInt32(fields[1]);
        auto market = textToInt16(fields[2]);
        if (!kind || !code || !market)
            return Result<std::vector<BoardLine>>::error(lineError(i + 1));
        // A board holds each code once: a repeated one would fail the load on the key.
        for (const BoardLine& earlier : out)
            if (earlier.kind == *kind && earlier.code == *code)
                return Result<std::vector<BoardLine>>::error(
                    "株価ボードファイルの " + std::to_string(i + 1) + " 行目の銘柄コード " + std::to_string(*code) +
                    " は " + std::to_string(earlier.lineNo) + " 行目と重なっています。");
        out.push_back({*kind, *code, *market, fields[3], i + 1});
    }
    return out;
}

Status LoadBoardText(db::Database& db, const std::string& path, int board) {
    auto bytes = readWholeFile(path);
    if (!bytes)
        return bytes.status();
    auto lines = parseBoardText(*bytes);
    if (!lines)
        return lines.status();
    db::Transaction tx(db);
    if (!tx.began())
        return tx.began();
    if (Status st = db.run("DELETE FROM board WHERE 区分 = ?", board); !st)
        return st;
    for (const BoardLine& l : *lines) {
        const std::string at = "株価ボードファイルの " + std::to_string(l.lineNo) + " 行目の";
        if (utf8Length(l.name) > kNameChars)
            return Status::error(StatusCode::InvalidInput,
                                 at + "銘柄名が " + std::to_string(kNameChars) + " 文字を超えています。");
        // A row the key refuses (a code another board of the file's lines already holds) is named, not
        // left to the database's words; the transaction then drops the whole load.
        Status st = db.run("INSERT OR IGNORE INTO board (区分, コード, 市場コード, 銘柄) VALUES (?, ?, ?, ?)", l.kind,
                           l.code, l.market, l.name);
        if (!st)
            return st;
        if (db.changes() == 0)
            return Status::error(StatusCode::InvalidInput,
                                 at + "銘柄コード " + std::to_string(l.code) + " はすでに登録されています。");
    }
    return tx.commit();
}

Status saveBoardToFile(db::Database& db, const std::string& iniPath, int board, const std::string& path,
                       Prompt& prompt) {
    if (path.empty())
        return Status::cancelled();
    if (fileExists(path) && !prompt.askYesNo(path + "のファイルは存在します 上書きしますか？", ""))
        return Status::cancelled();
    if (Status st = SaveBoardText(db, path, board); !st) {
        prompt.notify(st.message());
        return st;
    }
    if (Status st = writeProfileString(iniPath, kSection, boardFileKey(board), namePart(path)); !st)
        prompt.notify(st.message());
    if (fileExists(path))
        prompt.notify("保存しました。");
    return Status::ok();
}

Status loadBoardFromFile(db::Database& db, const std::string& iniPath, int board, const std::string& path,
                         Prompt& prompt) {
    if (path.empty())
        return Status::cancelled();
    if (!fileExists(path))
        return Status::error(StatusCode::NotFound, "");
    auto bytes = readWholeFile(path);
    if (!bytes) {
        prompt.notify(bytes.message());
        return bytes.status();
    }
    const char expected = board == 1 ? '1' : '2';
    if (bytes->empty() || (*bytes)[0] != expected) {
        const char* other = board == 1 ? "株価ボードＡに株価ボードＢのデーターを読み込もうとしています。"
                                       : "株価ボードＢに株価ボードＡのデーターを読み込もうとしています。";
        prompt.notify(other);
        return Status::error(StatusCode::InvalidInput, other);
    }
    if (!prompt.askYesNo("現在の株価ボードのデーターは無くなり新しく書き換わります　よろしいですか？"))
        return Status::cancelled();
    if (Status st = LoadBoardText(db, path, board); !st) {
        prompt.notify(st.message());
        return st;
    }
    if (Status st = writeProfileString(iniPath, kSection, boardFileKey(board), namePart(path)); !st)
        prompt.notify(st.message());
    return Status::ok();
}

std::string proposedListName(const std::string& folder, Date today) {
    std::string stem = today.toYYMMDD();
    std::erase(stem, '/');
    std::string name;
    for (int n = 0; n < 100; ++n) {
        name = stem + (n < 10 ? "_" + std::to_string(n) : std::to_string(n)) + ".Lis";
        if (!findFileNoCase(folder, name))
            break;
    }
    return name;
}

Result<std::string> issueListText(const std::vector<std::string>& rows) {
    std::string text;
    // A row starts with its code and a blank; a code of fewer than four digits must not take the
    // blank and the market name with it, or the list would not read back.
    for (const std::string& row : rows)
        text += utf8Left(row.substr(0, row.find(' ')), 4) + kCrLf;
    if (rows.empty())
        text = kCrLf;
    auto bytes = utf8ToCp932(text);
    if (!bytes)
        return Result<std::string>::error(StatusCode::InvalidInput, "銘柄リストに CP932 で表せない文字があります。");
    return *bytes;
}

Status writeIssueListFile(const std::string& path, const std::vector<std::string>& rows, Prompt& prompt) {
    if (path.empty())
        return Status::cancelled();
    if (fileExists(path) && !prompt.askYesNo(path + "のファイルは存在します 上書きしますか？"))
        return Status::cancelled();
    auto text = issueListText(rows);
    Status st = text ? writeFileAtomically(path, *text)
                     : Status::error(StatusCode::InvalidInput, path + " に書けません。" + text.message());
    if (!st)
        prompt.notify(st.message());
    return st;
}

Result<std::vector<std::string>> readIssueListFile(db::Database& db, const std::string& path) {
    auto bytes = readWholeFile(path);
    if (!bytes)
        return bytes.status();
    auto names = db::loadMarketNames(db);
    if (!names)
        return names.status();
    std::vector<std::string> rows;
    for (const std::string& line : splitLines(cp932ToUtf8Lossy(*bytes))) {
        const std::string codeText = line.substr(0, line.find(','));
        if (!isNumeric(codeText))
            continue;
        auto code = textToInt32(codeText);
        if (!code)
            continue;
        auto st = db.prepare("SELECT 市場コード, 銘柄 FROM Mei WHERE コード = ?");
        if (!st)
            return st.status();
        st->bind(1, *code);
        auto found = st->step();
        if (!found)
            return found.status();
        if (*found)
            rows.push_back(db::issueListRow(*code, db::marketName(*names, st->isNull(0) ? 0 : st->int64(0)),
                                            st->isNull(1) ? std::string() : st->text(1)));
    }
    return rows;
}

} // namespace kestrel::boards
