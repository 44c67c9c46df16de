// A source's day file YYYYMMDD.csv into the daily file: a header line, then date, code, name, open,
// high, low, close and volume per line.
#include "core/app/Files.h"
#include "core/converter/RecordWriter.h"

#include <cmath>
#include <cstdlib>

namespace kestrel::converter {

namespace {

std::string_view trimBlanks(std::string_view s) {
    size_t a = s.find_first_not_of(" \t");
    if (a == std::string_view::npos)
        return {};
    size_t b = s.find_last_not_of(" \t");
    return s.substr(a, b - a + 1);
}

// The largest price the daily file holds (32 bits) and the largest volume (Currency).
constexpr double kMaxPrice = 2147483647.0;
constexpr double kMaxVolume = 900000000000000.0;

// A number field; an empty field is 0. Anything that is not a finite number of at most limit gives
// nothing, so the line is skipped rather than written with a cell the import would read as 0.
std::optional<double> number(std::string_view field, double limit) {
    std::string text = StripQuotes(trimBlanks(field));
    if (text.empty())
        return 0.0;
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(v) || std::fabs(v) > limit)
        return std::nullopt;
    return v;
}

// The date of a line; nothing when it is no date or one the daily file cannot hold: its first line
// takes the last record's date as eight digits, so a year before 1000 would make a file no import reads.
std::optional<Date> dateField(std::string_view field) {
    std::string text = StripQuotes(trimBlanks(field));
    std::optional<Date> date = text.size() == 8 && text.find_first_not_of("0123456789") == std::string::npos
                                   ? Date::fromYmdInt(std::atoll(text.c_str()))
                                   : Date::parse(text);
    if (date && date->year() < 1000)
        return std::nullopt;
    return date;
}

// One data line into a working record; nothing when the line cannot be read.
std::optional<WorkingRecord> parseLine(std::string_view line) {
    std::string_view fields[8];
    std::string_view rest = line;
    for (int i = 0; i < 7; ++i) {
        size_t comma = rest.find(',');
        if (comma == std::string_view::npos)
            return std::nullopt;
        fields[i] = rest.substr(0, comma);
        rest = trimBlanks(rest.substr(comma + 1));
    }
    fields[7] = rest.substr(0, rest.find(','));
    WorkingRecord r;
    r.date = dateField(fields[0]);
    if (!r.date)
        return std::nullopt;
    r.code = StripQuotes(trimBlanks(fields[1]));
    double* targets[5] = {&r.open, &r.high, &r.low, &r.close, &r.volume};
    for (int i = 0; i < 5; ++i) {
        auto v = number(fields[i + 3], i < 4 ? kMaxPrice : kMaxVolume);
        if (!v)
            return std::nullopt;
        *targets[i] = *v;
    }
    return r;
}

} // namespace

Result<CsvOutcome> ConvertCsvFile(const IssueMaster& master, const std::string& csvPath, const std::string& outFolder,
                                  Date day, const LogFn& log) {
    CsvOutcome outcome;
    auto found = fileExists(csvPath) ? std::optional<std::string>(csvPath) : std::nullopt;
    if (!found) {
        size_t slash = csvPath.find_last_of('/');
        std::string folder = slash == std::string::npos ? "." : csvPath.substr(0, slash);
        found = findFileNoCase(folder, slash == std::string::npos ? csvPath : csvPath.substr(slash + 1));
    }
    if (!found) {
        log(csvPath + "が存在しません　変換失敗");
        return outcome;
    }
    auto failed = [&](const std::string& description) {
        return Result<CsvOutcome>::error(description + "\n" + day.toYYMMDD() + "　ファイル変換に失敗しました。");
    };
    auto bytes = readWholeFile(*found);
    if (!bytes)
        return failed(bytes.message());
    DailyFileBuilder builder(master, outFolder);
    if (Status st = builder.begin(); !st)
        return failed(st.message());
    std::string_view text = *bytes;
    bool header = true;
    while (!text.empty()) {
        size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (header) {
            header = false;
            continue;
        }
        if (trimBlanks(line).empty())
            continue;
        auto record = parseLine(line);
        if (!record) {
            ++outcome.skipped;
            continue;
        }
        if (builder.write(*record))
            ++outcome.written;
    }
    auto path = builder.finish(day, builder.lastDate().value_or(day), outFolder);
    if (!path) {
        builder.discard();
        return failed(path.message());
    }
    outcome.converted = true;
    outcome.outputPath = *path;
    return outcome;
}

} // namespace kestrel::converter
