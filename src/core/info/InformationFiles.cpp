#include "core/info/InformationFiles.h"

#include "core/net/ServerFiles.h"
#include "core/settings/Settings.h"
#include "core/settings/Shared.h"

#include <limits>

namespace kestrel::info {
namespace {

struct Lines {
    std::string_view header;
    std::vector<std::string_view> body; // lines ended by a line break, up to the first empty one
};

std::string_view chopCr(std::string_view line) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

Lines splitLines(std::string_view text) {
    Lines out;
    size_t lf = text.find('\n');
    out.header = chopCr(text.substr(0, lf));
    if (lf == std::string_view::npos)
        return out;
    size_t pos = lf + 1;
    while ((lf = text.find('\n', pos)) != std::string_view::npos) {
        std::string_view line = chopCr(text.substr(pos, lf - pos));
        if (line.empty())
            break;
        out.body.push_back(line);
        pos = lf + 1;
    }
    return out;
}

// The text after the first n characters of a UTF-8 text.
std::string_view dropChars(std::string_view text, size_t n) {
    size_t i = 0;
    while (n > 0 && i < text.size()) {
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            ++i;
        --n;
    }
    return text.substr(i);
}

std::optional<int> declaredCount(std::string_view text) {
    auto n = textToInt32(text);
    if (!n)
        return std::nullopt;
    return *n;
}

// The next field: the text before the next ",", which is consumed; nothing when there is no ",".
std::optional<std::string_view> takeField(std::string_view& rest) {
    size_t comma = rest.find(',');
    if (comma == std::string_view::npos)
        return std::nullopt;
    std::string_view field = rest.substr(0, comma);
    rest.remove_prefix(comma + 1);
    return field;
}

// The last field: up to a further "," or the end.
std::string_view lastField(std::string_view rest) {
    return rest.substr(0, rest.find(','));
}

std::string lineError(size_t lineNumber, const std::string& what) {
    return std::to_string(lineNumber) + "行目: " + what;
}

Status requireDate(std::string_view header, Date& date) {
    auto d = net::leadingDate(header);
    if (!d)
        return Status::error(lineError(1, "日付で始まっていません"));
    date = *d;
    return Status::ok();
}

} // namespace

Result<KindsFile> parseKindsFile(std::string_view text) {
    Lines lines = splitLines(text);
    KindsFile file;
    if (Status s = requireDate(lines.header, file.date); !s)
        return s;
    file.declared = declaredCount(dropChars(lines.header, 9));
    for (size_t i = 0; i < lines.body.size(); ++i) {
        std::string_view rest = lines.body[i];
        auto code = takeField(rest);
        auto name = code ? takeField(rest) : std::nullopt;
        if (!name)
            return Result<KindsFile>::error(lineError(i + 2, "種類コード,種類名,表示順 の形ではありません"));
        auto order = textToInt16(lastField(rest));
        if (!order)
            return Result<KindsFile>::error(lineError(i + 2, "表示順: " + order.message()));
        file.kinds.push_back({std::string(*code), std::string(*name), *order});
    }
    return file;
}

Result<ListFile> parseListFile(std::string_view text) {
    Lines lines = splitLines(text);
    ListFile file;
    if (Status s = requireDate(lines.header, file.date); !s)
        return s;
    std::string_view rest = dropChars(lines.header, 9);
    if (auto count = takeField(rest)) {
        file.declared = declaredCount(*count);
        file.title = std::string(dropChars(rest, 4));
    } else {
        file.declared = declaredCount(rest);
    }
    for (size_t i = 0; i < lines.body.size(); ++i) {
        const size_t lineNo = i + 2;
        std::string_view line = lines.body[i];
        std::optional<std::string_view> f[5];
        for (auto& field : f) {
            field = takeField(line);
            if (!field)
                return Result<ListFile>::error(
                    lineError(lineNo, "順位,コード,株価,出来高,前日比,値 の形ではありません"));
        }
        ListRow row;
        auto rank = textToInt16(*f[0]);
        if (!rank)
            return Result<ListFile>::error(lineError(lineNo, "順位: " + rank.message()));
        auto code = textToInt32(*f[1]);
        if (!code)
            return Result<ListFile>::error(lineError(lineNo, "コード: " + code.message()));
        auto volume = textToCurrency(*f[3]);
        if (!volume)
            return Result<ListFile>::error(lineError(lineNo, "出来高: " + volume.message()));
        constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / 1000;
        if (volume->raw() > kLimit || volume->raw() < -kLimit)
            return Result<ListFile>::error(lineError(lineNo, std::string("出来高: ") + kOverflow));
        row.rank = *rank;
        row.code = *code;
        row.price = NullToValue(*f[2]);
        row.volume = *volume * 1000;
        row.change = NullToValue(*f[4]);
        row.value = std::string(lastField(line));
        file.rows.push_back(std::move(row));
    }
    return file;
}

} // namespace kestrel::info
