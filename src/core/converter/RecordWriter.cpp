#include "core/converter/RecordWriter.h"

#include "core/app/Encoding.h"
#include "core/app/Files.h"
#include "core/db/Database.h"
#include "core/import/DailyFile.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace kestrel::converter {

const IssueEntry* IssueMaster::find(int code) const {
    if (code < 0 || code >= static_cast<int>(m_issues.size()) || !m_issues[code].present)
        return nullptr;
    return &m_issues[code];
}

void IssueMaster::set(int code, IssueEntry entry) {
    if (code < 0 || code >= static_cast<int>(m_issues.size()))
        return;
    if (!m_issues[code].present)
        ++m_count;
    entry.present = true;
    m_issues[code] = std::move(entry);
}

Result<IssueMaster> LoadIssueMaster(const std::string& kestrelMdbPath) {
    auto db = db::Database::open(kestrelMdbPath, db::OpenMode::ReadOnly);
    if (!db)
        return db.status();
    auto st = (*db)->prepare("SELECT コード, 市場コード, 銘柄, 出来高単位, 株価単位 FROM Mei");
    if (!st)
        return st.status();
    IssueMaster master;
    if (Status read = st->forEachRow([&] {
            IssueEntry e;
            e.market = st->isNull(1) ? 0 : st->int32(1);
            e.name = st->isNull(2) ? std::string() : st->text(2);
            e.volumeUnit = st->isNull(3) ? 0 : st->int64(3);
            e.priceUnit = st->isNull(4) ? 0 : st->int64(4);
            master.set(st->int32(0), std::move(e));
        });
        !read)
        return read;
    if (master.size() == 0)
        return Result<IssueMaster>::error("銘柄登録に銘柄がありません。");
    return master;
}

std::string StripQuotes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '"')
            out.push_back(c);
    return out;
}

std::string formatNumber(double v) {
    if (v == 0)
        return "0";
    // As printf's "%.15g" (to_chars with a precision is specified so), without printf's cost per call.
    char buf[64];
    if (std::fabs(v) < 1e15 && v == std::trunc(v)) {
        auto end = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(v)).ptr;
        return std::string(buf, end);
    }
    auto end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15).ptr;
    return std::string(buf, end);
}

namespace {

std::optional<int> issueCode(std::string_view text) {
    std::string code = StripQuotes(text);
    size_t a = code.find_first_not_of(" \t"), b = code.find_last_not_of(" \t");
    if (a == std::string::npos)
        return std::nullopt;
    code = code.substr(a, b - a + 1);
    if (code.size() > 4 || code.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    int v = std::stoi(code);
    if (v < 1 || v > 9999)
        return std::nullopt;
    return v;
}

// A unit of 0 or less would divide by zero; such an issue is written in whole units.
double unitOf(std::int64_t unit) {
    return unit > 0 ? static_cast<double>(unit) : 1.0;
}

std::string withoutCommas(const std::string& s) {
    std::string out;
    for (char c : s)
        if (c != ',')
            out.push_back(c);
    return out;
}

} // namespace

namespace {

std::optional<std::string> buildLine(const IssueMaster& master, const WorkingRecord& record, bool withName) {
    auto code = issueCode(record.code);
    if (!code)
        return std::nullopt;
    double prices[4] = {record.open, record.high, record.low, record.close};
    double volume;
    int market;
    std::string name;
    const IssueEntry* issue = master.find(*code);
    if (*code == 1001 || *code == 1002) {
        for (double& p : prices)
            p = std::trunc(p);
        volume = std::floor(record.volume / 10000) / 100;
        market = 1;
        name = issue ? issue->name : std::string();
    } else {
        if (!issue)
            return std::nullopt;
        for (double& p : prices)
            p = std::trunc(p) / unitOf(issue->priceUnit);
        volume = record.volume / unitOf(issue->volumeUnit);
        market = issue->market;
        name = issue->name;
    }
    if (!withName)
        name.clear();
    std::string line =
        std::to_string(*code) + "," + std::to_string(import::fileCodeFromMarket(market)) + "," + withoutCommas(name);
    for (double p : prices)
        line += "," + formatNumber(p);
    line += "," + formatNumber(volume);
    return line;
}

} // namespace

std::optional<std::string> recordLine(const IssueMaster& master, const WorkingRecord& record) {
    return buildLine(master, record, true);
}

std::string dailyFileBytes(Date headerDate, int count, std::string_view recordText) {
    while (recordText.size() >= 2 && recordText.substr(recordText.size() - 2) == "\r\n")
        recordText.remove_suffix(2);
    std::string out = headerDate.toYYYYMMDD() + "\r\n" + std::to_string(count) + ",Kestrel\r\n";
    out.append(recordText);
    out += "\r\n";
    return out;
}

DailyFileBuilder::DailyFileBuilder(const IssueMaster& master, std::string dataFolder)
    : m_master(master), m_tempPath(joinPath(dataFolder, kTempCsv)) {}

DailyFileBuilder::~DailyFileBuilder() {
    if (m_out.is_open())
        m_out.close();
}

Status DailyFileBuilder::begin() {
    discard();
    m_count = 0;
    m_lastDate.reset();
    m_writeError = Status::ok();
    m_out.open(m_tempPath, std::ios::binary | std::ios::trunc);
    if (!m_out)
        return Status::error(m_tempPath + " を作成できません");
    return Status::ok();
}

bool DailyFileBuilder::write(const WorkingRecord& record) {
    auto line = recordLine(m_master, record);
    if (!line)
        return false;
    auto bytes = utf8ToCp932(*line);
    if (!bytes) // a name with no CP932 form: keep the record, lose only the name
        bytes = utf8ToCp932(*buildLine(m_master, record, false));
    m_out << *bytes << "\r\n";
    if (!m_out)
        m_writeError = Status::error(m_tempPath + " に書き込めません");
    ++m_count;
    if (record.date)
        m_lastDate = record.date;
    return true;
}

Result<std::string> DailyFileBuilder::finish(Date fileDay, Date headerDate, const std::string& outFolder) {
    m_out.close();
    if (!m_writeError)
        return m_writeError;
    auto text = readWholeFile(m_tempPath);
    if (!text)
        return text.status();
    std::string path = joinPath(outFolder, import::dailyFileName(fileDay));
    if (Status st = writeFileAtomically(path, dailyFileBytes(headerDate, m_count, *text)); !st)
        return st;
    std::remove(m_tempPath.c_str());
    return path;
}

void DailyFileBuilder::discard() {
    if (m_out.is_open())
        m_out.close();
    std::remove(m_tempPath.c_str());
}

} // namespace kestrel::converter
