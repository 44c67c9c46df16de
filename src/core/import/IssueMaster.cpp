#include "core/import/IssueMaster.h"

#include "core/app/Encoding.h"
#include "core/app/Files.h"
#include "core/db/IssueMarkets.h"
#include "core/import/ImportProgress.h"
#include "core/import/TextFile.h"
#include "core/settings/Settings.h"

#include <cstdio>
#include <map>
#include <optional>

namespace kestrel::import {
namespace {

constexpr size_t kMeiNameLength = 20;

struct MeiRow {
    std::int16_t market = 0;
    std::string name;
    std::int32_t volumeUnit = 0, priceUnit = 0;
};

// One free-format input item from text at pos: a quoted item may hold commas; an item ends at a comma
// (consumed) or at the end of the text. Blanks around it are dropped.
std::string inputItem(std::string_view text, size_t& pos, bool& endedAtComma) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
    std::string item;
    if (pos < text.size() && text[pos] == '"') {
        size_t close = text.find('"', pos + 1);
        item.assign(text.substr(pos + 1, close == std::string_view::npos ? std::string_view::npos : close - pos - 1));
        pos = close == std::string_view::npos ? text.size() : close + 1;
        size_t comma = text.find(',', pos);
        endedAtComma = comma != std::string_view::npos;
        pos = endedAtComma ? comma + 1 : text.size();
        return item;
    }
    size_t comma = text.find(',', pos);
    endedAtComma = comma != std::string_view::npos;
    size_t end = endedAtComma ? comma : text.size();
    item.assign(trimBlanks(text.substr(pos, end - pos)));
    pos = endedAtComma ? comma + 1 : text.size();
    return item;
}

struct MasterLine {
    std::int32_t code = 0;
    MeiRow row;
};

Result<MasterLine> parseMasterLine(std::string_view text, const std::string& fileName, int lineNo) {
    using R = Result<MasterLine>;
    std::string_view f[5];
    for (int k = 0; k < 4; ++k) {
        size_t comma = text.find(',');
        if (comma == std::string_view::npos)
            return R::error(lineError(fileName, lineNo, kTooFewFields));
        f[k] = text.substr(0, comma);
        text = text.substr(comma + 1);
    }
    f[4] = text;
    MasterLine m;
    auto code = textToInt32(f[0]);
    if (!code || *code < 1 || *code > 9999)
        return R::error(lineError(fileName, lineNo, "銘柄コード \"" + std::string(f[0]) + "\" が正しくありません。"));
    m.code = *code;
    auto market = textToInt16(f[1]);
    auto volumeUnit = textToInt32(f[3]);
    auto priceUnit = textToInt32(f[4]);
    if (!market)
        return R::error(lineError(fileName, lineNo, "市場コード \"" + std::string(f[1]) + "\": " + market.message()));
    if (!volumeUnit)
        return R::error(
            lineError(fileName, lineNo, "出来高単位 \"" + std::string(f[3]) + "\": " + volumeUnit.message()));
    if (!priceUnit)
        return R::error(lineError(fileName, lineNo, "株価単位 \"" + std::string(f[4]) + "\": " + priceUnit.message()));
    // The name is everything between the second and third commas, blanks included.
    m.row = {*market, utf8Left(f[2], kMeiNameLength), *volumeUnit, *priceUnit};
    return m;
}

Status importLines(db::Database& db, const std::vector<TextLine>& lines, const std::string& fileName,
                   const ProgressFn& progress, MasterImportResult& result) {
    // Header: the file's date item, then the count of issue lines, nothing after it on its line.
    size_t li = 0, pos = 0;
    bool comma = false;
    if (lines.empty() || !lines[0].validBytes)
        return Status::error(lineError(fileName, 1, "見出しがありません。"));
    inputItem(lines[0].text, pos, comma);
    if (!comma) {
        li = 1;
        pos = 0;
    }
    if (li >= lines.size() || !lines[li].validBytes)
        return Status::error(lineError(fileName, static_cast<int>(li) + 1, "件数がありません。"));
    std::string countText = inputItem(lines[li].text, pos, comma);
    auto count = parseDigits(countText);
    if (!count || *count == 0 || comma || pos < lines[li].text.size())
        return Status::error(lineError(fileName, lines[li].number, "件数 \"" + countText + "\" が正しくありません。"));

    std::map<std::int32_t, MeiRow> mei;
    auto all = db.prepare("SELECT コード, 市場コード, 銘柄, 出来高単位, 株価単位 FROM Mei");
    if (!all)
        return all.status();
    if (Status read = all->forEachRow([&] {
            mei[all->int32(0)] = {static_cast<std::int16_t>(all->int64(1)), all->text(2), all->int32(3), all->int32(4)};
        });
        !read)
        return read;
    auto insert = db.prepare("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位, 更新Flg) "
                             "VALUES (?, ?, ?, ?, ?, 1)");
    auto update = db.prepare("UPDATE Mei SET 市場コード = ?, 銘柄 = ?, 出来高単位 = ?, 株価単位 = ? WHERE コード = ?");
    if (!insert)
        return insert.status();
    if (!update)
        return update.status();

    ImportProgress shown{{}, progress};
    PercentCounter counter(shown, static_cast<long long>(*count));
    long long issueLines = 0;
    for (size_t i = li + 1; i < lines.size(); ++i) {
        const TextLine& line = lines[i];
        if (!line.validBytes)
            return Status::error(lineError(fileName, line.number, kNotCp932));
        if (line.text.empty())
            continue;
        if (!line.terminated)
            return Status::error(lineError(fileName, line.number, kCutOff));
        counter.next();
        ++issueLines;
        auto m = parseMasterLine(line.text, fileName, line.number);
        if (!m)
            return m.status();
        const MeiRow& f = m->row;
        auto it = mei.find(m->code);
        Status st;
        if (it == mei.end()) {
            st = insert->bindAll(m->code, f.market, f.name, f.volumeUnit, f.priceUnit).run();
            mei[m->code] = f;
            ++result.added;
        } else if (it->second.market != f.market || it->second.name != f.name) {
            // A changed market or name rewrites the issue with the file's units; 更新Flg stays.
            st = update->bindAll(f.market, f.name, f.volumeUnit, f.priceUnit, m->code).run();
            it->second = f;
            ++result.rewritten;
        }
        // Only the units changed: nothing is written.
        if (!st)
            return Status::error(lineError(fileName, line.number, st.message()));
    }
    // A file cut short would lose the issues after the cut; more lines than the count are all kept.
    if (issueLines < static_cast<long long>(*count))
        return Status::error("銘柄ファイル " + fileName + " は途中で切れています。(見出しの件数 " +
                             std::to_string(*count) + " 件に対し、銘柄の行は " + std::to_string(issueLines) +
                             " 件です)");
    return Status::ok();
}

// The J-Quants market codes beside a master dated masterDate (the first eight characters of its first
// line); none when the file's date differs or a line is not "code,MarketCode" (a stale or foreign file).
std::optional<db::JQuantsMarketCodes> marketCodesOf(const std::string& bytes, std::string_view masterDate) {
    std::vector<TextLine> lines = splitCp932Lines(bytes);
    if (lines.empty() || masterDate.size() != 8 || lines[0].text.substr(0, 8) != masterDate)
        return std::nullopt;
    db::JQuantsMarketCodes codes;
    for (size_t i = 1; i < lines.size(); ++i) {
        std::string_view text = lines[i].text;
        if (text.empty())
            continue;
        size_t comma = text.find(',');
        auto code =
            comma == std::string_view::npos ? Result<std::int32_t>::error("") : textToInt32(text.substr(0, comma));
        if (!code || *code < 1 || *code > 9999 || comma + 1 >= text.size())
            return std::nullopt;
        codes[*code] = std::string(text.substr(comma + 1));
    }
    return codes;
}

} // namespace

MasterImportResult ImportIssueMaster(db::Database& db, const std::string& dataFolder, Prompt& prompt,
                                     const ProgressFn& progress) {
    MasterImportResult result;
    auto path = findFileNoCase(dataFolder, kMasterFileName);
    if (!path) {
        result.message = kMasterNotFound;
        return result;
    }
    auto bytes = readWholeFile(*path);
    if (!bytes) {
        prompt.notify(bytes.message());
        return result;
    }
    const std::string fileName = kMasterFileName;
    auto codesPath = findFileNoCase(dataFolder, kMarketCodeFileName);
    std::optional<db::JQuantsMarketCodes> codes;
    if (codesPath)
        if (auto codeBytes = readWholeFile(*codesPath))
            codes = marketCodesOf(*codeBytes, std::string_view(*bytes).substr(0, 8));
    db::Transaction tx(db);
    Status st = tx.began();
    if (st)
        st = importLines(db, splitCp932Lines(*bytes), fileName, progress, result);
    if (st && codes)
        st = db::replaceJQuantsMarketCodes(db, *codes);
    if (st)
        st = tx.commit();
    if (!st) {
        tx.rollback();
        result.added = result.rewritten = 0;
        prompt.notify(st.message());
        return result;
    }
    // One downloaded file is imported once.
    if (std::remove(path->c_str()) != 0)
        prompt.notify(*path + " を削除できません。");
    // The codes go with their master; a stale file would otherwise wait for a master of its date.
    if (codesPath)
        (void)std::remove(codesPath->c_str());
    result.message = kReadFinished;
    return result;
}

} // namespace kestrel::import
