#include "core/converter/JQuantsData.h"

#include "core/app/Encoding.h"
#include "core/app/Files.h"
#include "core/converter/JQuantsAdjust.h"
#include "core/db/SplitTable.h"
#include "core/import/DailyFile.h"
#include "core/import/IssueMaster.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>

namespace kestrel::converter::jquants {

using nlohmann::json;

std::optional<int> localCode(std::string_view code) {
    if (code.size() != 5 || code[4] != '0')
        return std::nullopt;
    int v = 0;
    for (int i = 0; i < 4; ++i) {
        if (code[i] < '0' || code[i] > '9')
            return std::nullopt;
        v = v * 10 + (code[i] - '0');
    }
    if (v < 1)
        return std::nullopt;
    return v;
}

int marketOf(std::string_view mkt) {
    if (mkt == "0111" || mkt == "0101")
        return 1;
    if (mkt == "0112" || mkt == "0102")
        return 2;
    if (mkt == "0113" || mkt == "0104" || mkt == "0106" || mkt == "0107")
        return 3;
    return 6;
}

namespace {

// A page is read in one pass (SAX) that keeps only the scalar fields of the rows of "data" and the
// pagination key: a day of 4,000 issues then costs a few milliseconds, not a whole document tree.
struct Scalar {
    enum class Kind { Null, Number, String, Other } kind = Kind::Null;
    double number = 0;
    std::string text;
};
struct FlatRow {
    bool isObject = true;
    std::vector<std::pair<std::string, Scalar>> fields;
    const Scalar* find(std::string_view key) const {
        for (const auto& [k, v] : fields)
            if (k == key)
                return &v;
        return nullptr;
    }
};
struct FlatPage {
    bool topIsObject = false;
    bool dataIsArray = false;
    std::vector<FlatRow> rows;
    Scalar paginationKey;
};

class PageReader : public nlohmann::json_sax<json> {
public:
    explicit PageReader(FlatPage& page) : m_page(page) {}

    bool null() override { return scalar({}); }
    bool boolean(bool) override { return scalar({Scalar::Kind::Other, 0, {}}); }
    bool number_integer(number_integer_t v) override {
        return scalar({Scalar::Kind::Number, static_cast<double>(v), {}});
    }
    bool number_unsigned(number_unsigned_t v) override {
        return scalar({Scalar::Kind::Number, static_cast<double>(v), {}});
    }
    bool number_float(number_float_t v, const string_t&) override { return scalar({Scalar::Kind::Number, v, {}}); }
    bool string(string_t& v) override { return scalar({Scalar::Kind::String, 0, std::move(v)}); }
    bool binary(binary_t&) override { return scalar({Scalar::Kind::Other, 0, {}}); }
    bool start_object(std::size_t) override { return open('o'); }
    bool start_array(std::size_t) override { return open('a'); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }
    bool key(string_t& k) override {
        if (m_stack.size() == 1)
            m_topKey = k;
        else if (inRow())
            m_fieldKey = k;
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

private:
    bool inRow() const { return m_stack.size() == 3 && m_inData && m_stack[2] == 'o'; }
    // A value at the current place: the top, a member of the top object, an element of data, a field.
    void place(const Scalar& v, char container) {
        if (m_stack.empty()) {
            m_page.topIsObject = container == 'o';
        } else if (m_stack.size() == 1) {
            if (m_topKey == "data") {
                m_page.dataIsArray = container == 'a';
                m_inData = container == 'a';
            } else if (m_topKey == "pagination_key") {
                m_page.paginationKey = container ? Scalar{Scalar::Kind::Other, 0, {}} : v;
            }
        } else if (m_stack.size() == 2 && m_inData) {
            m_page.rows.push_back({container == 'o', {}});
        } else if (inRow()) {
            m_page.rows.back().fields.emplace_back(m_fieldKey, container ? Scalar{Scalar::Kind::Other, 0, {}} : v);
        }
    }
    bool scalar(Scalar v) {
        place(v, 0);
        return true;
    }
    bool open(char container) {
        place({}, container);
        m_stack.push_back(container);
        return true;
    }
    bool close() {
        m_stack.pop_back();
        if (m_stack.size() == 1)
            m_inData = false;
        return true;
    }

    FlatPage& m_page;
    std::vector<char> m_stack;
    std::string m_topKey, m_fieldKey;
    bool m_inData = false;
};

Result<FlatPage> parsePage(std::string_view body, const std::string& context) {
    FlatPage page;
    PageReader reader(page);
    if (!json::sax_parse(body.begin(), body.end(), &reader))
        return Result<FlatPage>::error(context + ": J-Quants の応答が JSON として読めません");
    if (!page.topIsObject || !page.dataIsArray)
        return Result<FlatPage>::error(context + ": J-Quants の応答に data がありません");
    return page;
}

// A row's field: a failure names the field and the context.
struct RowReader {
    const FlatRow& row;
    const std::string& context;
    std::string error;

    bool fail(const std::string& text) {
        if (error.empty())
            error = context + ": " + text;
        return false;
    }
    std::optional<double> number(const char* key) {
        const Scalar* v = row.find(key);
        if (!v || v->kind == Scalar::Kind::Null)
            return std::nullopt;
        if (v->kind != Scalar::Kind::Number) {
            fail(std::string("項目 ") + key + " が数値ではありません");
            return std::nullopt;
        }
        return v->number;
    }
    std::string text(const char* key) {
        const Scalar* v = row.find(key);
        if (!v || v->kind == Scalar::Kind::Null)
            return {};
        if (v->kind != Scalar::Kind::String) {
            fail(std::string("項目 ") + key + " が文字列ではありません");
            return {};
        }
        return v->text;
    }
    std::optional<Date> date() {
        const Scalar* v = row.find("Date");
        if (!v || v->kind != Scalar::Kind::String) {
            fail("日付のない行があります");
            return std::nullopt;
        }
        auto d = Date::parse(v->text);
        if (!d)
            fail("日付 " + v->text + " が読めません");
        return d;
    }
    // The row's issue code: nothing and skipped for a code we cannot hold; an error when not a string.
    std::optional<int> code(std::vector<std::string>& skipped) {
        const Scalar* v = row.find("Code");
        if (!v || v->kind != Scalar::Kind::String) {
            fail("銘柄コードが文字列ではありません");
            return std::nullopt;
        }
        auto c = localCode(v->text);
        if (!c)
            skipped.push_back(v->text);
        return c;
    }
};

// Walks the rows of every page; fn(reader, rows) adds a row or fails through the reader.
template <class Row, class Fn>
Result<Rows<Row>> parseRows(const std::vector<std::string>& pages, const std::string& context, Fn fn) {
    Rows<Row> out;
    for (const std::string& body : pages) {
        auto page = parsePage(body, context);
        if (!page)
            return page.status();
        for (const FlatRow& row : page->rows) {
            if (!row.isObject)
                return Result<Rows<Row>>::error(context + ": J-Quants の行がオブジェクトではありません");
            RowReader r{row, context, {}};
            fn(r, out);
            if (!r.error.empty())
                return Result<Rows<Row>>::error(r.error);
        }
    }
    return out;
}

std::string withoutCommas(std::string s) {
    std::erase(s, ',');
    return s;
}

} // namespace

// CP932 of UTF-8 text, dropping the characters that have no CP932 form.
std::string toCp932Dropping(std::string_view text) {
    if (auto all = utf8ToCp932(text))
        return *all;
    std::string out;
    for (size_t i = 0; i < text.size();) {
        size_t n = 1;
        auto lead = static_cast<unsigned char>(text[i]);
        if (lead >= 0xF0)
            n = 4;
        else if (lead >= 0xE0)
            n = 3;
        else if (lead >= 0xC0)
            n = 2;
        if (auto one = utf8ToCp932(text.substr(i, n)))
            out += *one;
        i += n;
    }
    return out;
}

Result<std::string> paginationKey(std::string_view body, const std::string& context) {
    auto page = parsePage(body, context);
    if (!page)
        return page.status();
    const Scalar& key = page->paginationKey;
    if (key.kind == Scalar::Kind::Null)
        return std::string();
    if (key.kind != Scalar::Kind::String)
        return Result<std::string>::error(context + ": pagination_key が文字列ではありません");
    return key.text;
}

Result<Rows<MasterRow>> parseMaster(const std::vector<std::string>& pages, const std::string& context) {
    return parseRows<MasterRow>(pages, context, [](RowReader& r, Rows<MasterRow>& out) {
        auto code = r.code(out.skippedCodes);
        std::string name = r.text("CoName"), mkt = r.text("Mkt");
        if (code && r.error.empty())
            out.rows.push_back({*code, marketOf(mkt), std::move(name), mkt});
    });
}

namespace {

void readBar(RowReader& r, Rows<BarRow>& out) {
    auto date = r.date();
    auto code = r.code(out.skippedCodes);
    BarRow bar;
    bar.open = r.number("O");
    bar.high = r.number("H");
    bar.low = r.number("L");
    bar.close = r.number("C");
    bar.volume = r.number("Vo");
    bar.adjFactor = r.number("AdjFactor").value_or(1);
    if (const Scalar* kind = r.row.find("ExRT"); kind && kind->kind == Scalar::Kind::String)
        bar.exRt = kind->text;
    else if (kind && kind->kind == Scalar::Kind::Number)
        bar.exRt = std::to_string(static_cast<int>(kind->number));
    if (date && code && r.error.empty()) {
        bar.code = *code;
        bar.date = *date;
        out.rows.push_back(bar);
    }
}

// The fields of one CSV line: commas outside double quotes split, "" inside quotes is one quote.
std::vector<std::string> csvFields(std::string_view line) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            out.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            out.emplace_back();
        } else {
            out.back() += c;
        }
    }
    return out;
}

// A CSV field as the page's JSON would carry it: empty as null, the text fields as strings, every
// other field as a number when it reads as one (else as text, which the row reader then refuses).
Scalar csvScalar(std::string_view column, const std::string& field) {
    if (field.empty())
        return {};
    static const std::set<std::string_view> texts{"Date", "Code", "ExRT", "UL", "LL", "Session"};
    if (texts.count(column))
        return {Scalar::Kind::String, 0, field};
    double v = 0;
    auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), v);
    if (ec == std::errc() && end == field.data() + field.size())
        return {Scalar::Kind::Number, v, {}};
    return {Scalar::Kind::String, 0, field};
}

} // namespace

Result<Rows<BarRow>> parseBars(const std::vector<std::string>& pages, const std::string& context) {
    return parseRows<BarRow>(pages, context, readBar);
}

Result<Rows<BarRow>> parseBarsCsv(std::string_view text, const std::string& context) {
    using R = Result<Rows<BarRow>>;
    Rows<BarRow> out;
    std::vector<std::string> header;
    size_t lineNo = 0;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        ++lineNo;
        if (lineNo == 1 && line.starts_with("\xEF\xBB\xBF"))
            line.remove_prefix(3);
        if (line.empty())
            continue;
        std::vector<std::string> fields = csvFields(line);
        if (header.empty()) {
            header = std::move(fields);
            for (const char* need : {"Date", "Code", "O", "H", "L", "C", "Vo"})
                if (std::find(header.begin(), header.end(), need) == header.end())
                    return R::error(context + ": 見出しの行に項目 " + need + " がありません（想定外のファイルです）");
            continue;
        }
        if (fields.size() != header.size())
            return R::error(context + ": " + std::to_string(lineNo) + " 行目の項目の数が見出しと違います（" +
                            std::to_string(fields.size()) + " 個、見出しは " + std::to_string(header.size()) + " 個）");
        FlatRow row;
        row.fields.reserve(header.size());
        for (size_t i = 0; i < header.size(); ++i)
            row.fields.emplace_back(header[i], csvScalar(header[i], fields[i]));
        RowReader r{row, context, {}};
        readBar(r, out);
        if (!r.error.empty())
            return R::error(r.error + "（" + std::to_string(lineNo) + " 行目）");
    }
    if (header.empty())
        return R::error(context + ": 中身がありません（見出しの行もありません）");
    return out;
}

Result<Rows<TopixRow>> parseTopix(const std::vector<std::string>& pages, const std::string& context) {
    return parseRows<TopixRow>(pages, context, [](RowReader& r, Rows<TopixRow>& out) {
        auto date = r.date();
        TopixRow row;
        row.open = r.number("O");
        row.high = r.number("H");
        row.low = r.number("L");
        row.close = r.number("C");
        if (date && r.error.empty()) {
            row.date = *date;
            out.rows.push_back(row);
        }
    });
}

Result<Rows<MarginRow>> parseMargin(const std::vector<std::string>& pages, const std::string& context) {
    return parseRows<MarginRow>(pages, context, [](RowReader& r, Rows<MarginRow>& out) {
        auto date = r.date();
        auto code = r.code(out.skippedCodes);
        auto longVol = r.number("LongVol"), shortVol = r.number("ShrtVol");
        if (date && code && r.error.empty())
            out.rows.push_back({*code, *date, longVol.value_or(0), shortVol.value_or(0)});
    });
}

IssueMaster snapshotMaster(const IssueMaster* mei, const std::vector<MasterRow>& rows) {
    IssueMaster out;
    if (mei) {
        for (int code = 1; code <= 9999; ++code) {
            if (const IssueEntry* e = mei->find(code))
                out.set(code, {true, e->market, e->name, 1, 1});
        }
    }
    for (const MasterRow& row : rows)
        out.set(row.code, {true, row.market, row.name, 1, 1});
    if (!out.find(kTopixCode))
        out.set(kTopixCode, {true, 1, kTopixName, 1, 1});
    return out;
}

std::string masterFileBytes(Date date, const std::vector<MasterRow>& rows) {
    bool hasTopix = false;
    for (const MasterRow& row : rows)
        hasTopix = hasTopix || row.code == kTopixCode;
    std::string out = date.toYYYYMMDD() + "," + std::to_string(rows.size() + (hasTopix ? 0 : 1)) + "\r\n";
    auto line = [&](int code, int market, const std::string& name) {
        out += std::to_string(code) + "," + std::to_string(market) + "," + toCp932Dropping(withoutCommas(name)) +
               ",1,1\r\n";
    };
    if (!hasTopix)
        line(kTopixCode, 1, kTopixName);
    for (const MasterRow& row : rows)
        line(row.code, row.market, row.name);
    return out;
}

std::string marketCodeFileBytes(Date date, const std::vector<MasterRow>& rows) {
    std::string lines;
    int count = 0;
    for (const MasterRow& row : rows) {
        // Only digits and letters travel: the file is read back without quoting.
        if (row.jquantsMarket.empty() ||
            row.jquantsMarket.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") !=
                std::string::npos)
            continue;
        lines += std::to_string(row.code) + "," + row.jquantsMarket + "\r\n";
        ++count;
    }
    return date.toYYYYMMDD() + "," + std::to_string(count) + "\r\n" + lines;
}

Status writeMasterFiles(const std::string& dataFolder, Date date, const std::vector<MasterRow>& rows) {
    // The codes go first: an import that finds Regist.Mei finds the codes of the same list beside it.
    if (Status st =
            writeFileAtomically(joinPath(dataFolder, import::kMarketCodeFileName), marketCodeFileBytes(date, rows));
        !st)
        return st;
    return writeFileAtomically(joinPath(dataFolder, import::kMasterFileName), masterFileBytes(date, rows));
}

Result<DayWritten> writeDailyFile(const IssueMaster& master, Date day, const std::vector<BarRow>& bars,
                                  const std::optional<TopixRow>& topix, const std::string& folder) {
    std::string text;
    text.reserve(bars.size() * 48);
    int count = 0;
    // The lines collect as UTF-8 and are converted in one go; only when some name has no CP932 form
    // are they converted line by line, dropping just the characters that have none.
    std::vector<std::string> lines;
    lines.reserve(bars.size() + 1);
    auto add = [&](const WorkingRecord& record) {
        if (auto line = recordLine(master, record)) {
            text += *line;
            text += "\r\n";
            lines.push_back(std::move(*line));
            ++count;
        }
    };
    // TOPIX has no volume of its own; it gets the day's volume of the 東証１部 issues (the issues it is
    // computed from), so an index day with prices is a traded day to the import, as for any issue.
    double indexVolume = 0;
    for (const BarRow& bar : bars) {
        WorkingRecord record;
        record.date = bar.date;
        record.code = std::to_string(bar.code);
        if (bar.open && bar.high && bar.low && bar.close && bar.volume && *bar.volume > 0) {
            record.open = *bar.open;
            record.high = *bar.high;
            record.low = *bar.low;
            record.close = *bar.close;
            record.volume = *bar.volume;
            if (const IssueEntry* e = master.find(bar.code); e && e->market == 1)
                indexVolume += *bar.volume;
        } // else: a day without trading is volume 0 and prices 0, and the reference close carries over
        add(record);
    }
    if (topix && topix->open && topix->high && topix->low && topix->close) {
        WorkingRecord record;
        record.date = topix->date;
        record.code = std::to_string(kTopixCode);
        record.open = *topix->open;
        record.high = *topix->high;
        record.low = *topix->low;
        record.close = *topix->close;
        // At least a million shares, the writer's smallest index volume, when no 東証１部 issue traded.
        record.volume = std::max(indexVolume, 1e6);
        add(record);
    }
    std::string path = joinPath(folder, import::dailyFileName(day));
    auto converted = utf8ToCp932(text);
    if (!converted) {
        converted.emplace();
        for (const std::string& line : lines)
            *converted += toCp932Dropping(line) + "\r\n";
    }
    std::string_view records(*converted);
    if (Status st = writeFileAtomically(path, dailyFileBytes(day, count, records)); !st)
        return st;
    return DayWritten{path, count};
}

std::string marginFileBytes(Date date, const std::vector<MarginRow>& rows) {
    std::string out = date.toYYYYMMDD() + "\r\n" + std::to_string(rows.size()) + ",Kestrel\r\n";
    for (const MarginRow& row : rows) {
        // The balances are held as 32-bit integers: an issue whose balance would not fit is written in
        // thousands of shares (unit 1000) rather than wrapped.
        constexpr double kMax = std::numeric_limits<std::int32_t>::max();
        bool big = row.shortVol > kMax || row.longVol > kMax;
        double unit = big ? 1000 : 1;
        auto whole = [&](double v) { return std::to_string(static_cast<std::int64_t>(std::llround(v / unit))); };
        out += std::to_string(row.code) + ",,," + whole(row.shortVol) + "," + whole(row.longVol) + "," +
               (big ? "1000" : "1") + "\r\n";
    }
    return out;
}

Result<int> recordSplits(db::Database& db, const std::vector<BarRow>& bars) {
    db::Transaction tx(db);
    if (!tx.began())
        return tx.began();
    int added = 0;
    for (const BarRow& bar : bars) {
        auto a = classifyAdjustment(bar.adjFactor, bar.exRt);
        if (!a || a->before == a->after)
            continue;
        db::SplitEvent e{bar.code, bar.date, a->before, a->after, db::SplitSource::Exchange, db::SplitState::Proposed,
                         a->kind};
        auto got = db::proposeSplit(db, e);
        if (!got)
            return got.status();
        added += *got ? 1 : 0;
    }
    if (Status st = tx.commit(); !st)
        return st;
    return added;
}

} // namespace kestrel::converter::jquants
