#include "core/import/DailyFile.h"

#include "core/import/TextFile.h"

#include <cstdio>

namespace kestrel::import {

namespace {

std::string nameWithDate(const char* prefix, Date d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s%04d%02d.%02d", prefix, d.year() % 10000, d.month(), d.day());
    return buf;
}

// Cuts the text before the next comma off `rest`; false when there is no comma left.
bool cutField(std::string_view& rest, std::string_view& field) {
    size_t comma = rest.find(',');
    if (comma == std::string_view::npos)
        return false;
    field = trimBlanks(rest.substr(0, comma));
    rest = trimBlanks(rest.substr(comma + 1));
    return true;
}

// Full-width digits, sign and point (as typed in a Japanese spreadsheet) in their ASCII form.
std::string foldWideDigits(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        // U+FF0B '+', U+FF0D '-', U+FF0E '.', U+FF10..U+FF19 '0'..'9' are EF BC 8B..99 in UTF-8.
        if (i + 2 < text.size() && text[i] == '\xEF' && text[i + 1] == '\xBC') {
            unsigned char c = static_cast<unsigned char>(text[i + 2]);
            if (c == 0x8B || c == 0x8D || c == 0x8E || (c >= 0x90 && c <= 0x99)) {
                out += static_cast<char>(c - 0x8B + '+');
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// Line 1 of a daily file: YYYYMMDD.
std::optional<Date> ymdDate(std::string_view head) {
    auto ymd = head.size() == 8 ? parseDigits(head) : std::nullopt;
    return ymd ? Date::fromYmdInt(*ymd) : std::nullopt;
}

} // namespace

std::string dailyFileName(Date d) {
    return nameWithDate("Ds", d);
}
std::string marginFileName(Date d) {
    return nameWithDate("Ys", d);
}

std::int16_t marketFromFileCode(std::int64_t fileCode) {
    static constexpr std::int16_t kMarkets[] = {1, 2, 4, 5, 6, 3};
    return fileCode >= 0 && fileCode <= 5 ? kMarkets[fileCode] : 0;
}

int fileCodeFromMarket(std::int64_t market) {
    switch (market) {
    case 2:
        return 1;
    case 3:
        return 5;
    case 4:
        return 2;
    case 5:
        return 3;
    case 6:
        return 4;
    default:
        return 0;
    }
}

std::string nonNumericWarning(const std::string& fileName, const std::vector<int>& lines) {
    if (lines.empty())
        return {};
    constexpr size_t kNamed = 10;
    std::string text = fileName + " の ";
    for (size_t i = 0; i < lines.size() && i < kNamed; ++i)
        text += (i ? ", " : "") + std::to_string(lines[i]);
    text += " 行目";
    if (lines.size() > kNamed)
        text += " ほか " + std::to_string(lines.size() - kNamed) + " 行";
    return text + ": 数値でない項目を 0 として読み込みました。";
}

Result<FileHead> parseFileHead(Cp932LineReader& reader, TextLine& line, const std::string& fileName,
                               std::optional<Date> (*readDate)(std::string_view), int least) {
    using R = Result<FileHead>;
    std::string_view head = reader.next(line) && line.validBytes ? trimBlanks(line.text) : std::string_view();
    auto date = readDate(head);
    if (!date)
        return R::error(lineError(fileName, 1, "日付 \"" + std::string(head) + "\" が正しくありません。"));
    if (!reader.next(line) || !line.validBytes || !line.terminated)
        return R::error(lineError(fileName, 2, "件数がありません。"));
    std::string_view countText = line.text;
    countText = countText.substr(0, countText.find(','));
    auto count = parseDigits(countText);
    if (!count || *count < least || *count > 100000)
        return R::error(
            lineError(fileName, 2, "件数 \"" + std::string(trimBlanks(countText)) + "\" が正しくありません。"));
    return FileHead{*date, static_cast<int>(*count)};
}

Result<DailyFile> parseDailyFile(std::string_view bytes, const std::string& fileName, bool headerOnly) {
    using R = Result<DailyFile>;
    // A file read for its header alone is not decoded past line 2.
    TextLine line;
    Cp932LineReader first(bytes);
    if (!first.next(line) || !line.validBytes)
        return R::error(lineError(fileName, 1, "日付がありません。"));
    Cp932LineReader reader(bytes);
    DailyFile file;
    auto head = parseFileHead(reader, line, fileName, ymdDate, 0);
    if (!head)
        return head.status();
    file.date = head->date;
    file.count = head->count;
    if (headerOnly)
        return file;
    // A count of 0 is a day on which the converter kept no record: an empty day, unless records follow.
    if (file.count == 0) {
        while (reader.next(line))
            if (!trimBlanks(line.text).empty())
                return R::error(lineError(fileName, 2, "件数 0 に対してデーターがあります。"));
        return file;
    }

    file.records.reserve(static_cast<size_t>(file.count));
    while (static_cast<int>(file.records.size()) < file.count && reader.next(line)) {
        if (!line.validBytes)
            return R::error(lineError(fileName, line.number, kNotCp932));
        if (!line.terminated)
            return R::error(lineError(fileName, line.number, kCutOff));
        std::string_view rest = trimBlanks(line.text);
        if (rest.empty())
            continue;
        std::string_view f[7];
        for (auto& field : f)
            if (!cutField(rest, field))
                return R::error(lineError(fileName, line.number, kTooFewFields));
        std::string_view volumeText = trimBlanks(rest.substr(0, rest.find(',')));
        DailyRecord& r = file.records.emplace_back();
        r.line = line.number;
        auto code = parseRoundedWhole(f[0]);
        if (f[0].empty() || !code || *code < 1 || *code > 9999)
            return R::error(
                lineError(fileName, line.number, "銘柄コード \"" + std::string(f[0]) + "\" が正しくありません。"));
        r.code = *code;
        // Cells that are not numbers read as 0; the line is listed once.
        bool numeric = true;
        auto whole = [&](std::string_view text) {
            auto v = text.empty() ? std::nullopt : parseRoundedWhole(foldWideDigits(text));
            numeric = numeric && v.has_value();
            return v.value_or(0);
        };
        r.fileMarket = whole(f[1]);
        r.name.assign(f[2]);
        r.open = whole(f[3]);
        r.high = whole(f[4]);
        r.low = whole(f[5]);
        r.close = whole(f[6]);
        auto volume = volumeText.empty() ? std::nullopt : parseVolume(foldWideDigits(volumeText));
        numeric = numeric && volume.has_value();
        r.volume = volume.value_or(Currency());
        if (!numeric)
            file.nonNumericLines.push_back(line.number);
    }
    if (static_cast<int>(file.records.size()) < file.count)
        return R::error(lineError(fileName, line.number,
                                  "件数 " + std::to_string(file.count) + " に対してデーターが " +
                                      std::to_string(file.records.size()) + " 件しかありません。"));
    return file;
}

} // namespace kestrel::import
