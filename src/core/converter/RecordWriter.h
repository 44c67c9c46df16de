#pragma once
// The record writer shared by the three conversions. Each working record (date, code, open, high,
// low, close, volume) is mapped through a snapshot of the main program's issue master: prices and
// volume are divided by the issue's units, the market becomes a file market code, and issues missing
// from the master are dropped. Index codes 1001 and 1002 keep whole prices and give their volume in
// millions of shares cut to two decimals. The lines collect in Temp.csv in the data folder; when a
// day is complete they become the daily file "Ds" + YYYYMM + "." + DD (CP932, CR LF, line 1 the date,
// line 2 the count and "Kestrel"), written atomically, and Temp.csv is deleted.
#include "core/app/Date.h"
#include "core/app/Status.h"

#include <cstdint>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::converter {

inline constexpr const char* kTempCsv = "Temp.csv";

struct IssueEntry {
    bool present = false;
    int market = 0;   // 市場コード
    std::string name; // 銘柄 (UTF-8)
    std::int64_t volumeUnit = 1;
    std::int64_t priceUnit = 1;
};

// The issue master snapshot, indexed by code 0 to 9999.
class IssueMaster {
public:
    IssueMaster() : m_issues(10000) {}
    const IssueEntry* find(int code) const;
    void set(int code, IssueEntry entry);
    int size() const { return m_count; }

private:
    std::vector<IssueEntry> m_issues;
    int m_count = 0;
};

// Loads Mei from the main program's database; an error when it cannot be read or holds no row.
Result<IssueMaster> LoadIssueMaster(const std::string& kestrelMdbPath);

// Working record: the values as read from the input.
struct WorkingRecord {
    std::optional<Date> date;
    std::string code; // as read; quotes are removed here
    double open = 0, high = 0, low = 0, close = 0, volume = 0;
};

// The text without any double-quote characters.
std::string StripQuotes(std::string_view text);
// A number as the runtime prints it: up to 15 significant digits, no trailing zeros ("123.4", "52").
std::string formatNumber(double v);
// The record line for Temp.csv (UTF-8, no line end), or nothing when the record is dropped: a code
// that is not a whole number from 1 to 9999, or an issue other than 1001/1002 missing from master.
std::optional<std::string> recordLine(const IssueMaster& master, const WorkingRecord& record);

// One daily file in the making.
class DailyFileBuilder {
public:
    DailyFileBuilder(const IssueMaster& master, std::string dataFolder);
    ~DailyFileBuilder();
    // Starts an empty Temp.csv.
    Status begin();
    // Writes the record when the master allows it; true when a line was written.
    bool write(const WorkingRecord& record);
    int count() const { return m_count; }
    // The date of the last record written, if any.
    std::optional<Date> lastDate() const { return m_lastDate; }
    // Builds outFolder/Ds<fileDay> with headerDate on line 1 and deletes Temp.csv; returns the path.
    Result<std::string> finish(Date fileDay, Date headerDate, const std::string& outFolder);
    // Drops Temp.csv.
    void discard();

private:
    const IssueMaster& m_master;
    std::string m_tempPath;
    std::ofstream m_out;
    int m_count = 0;
    std::optional<Date> m_lastDate;
    Status m_writeError;
};

// The bytes of a daily file for the given record text (CP932 lines joined by CR LF).
std::string dailyFileBytes(Date headerDate, int count, std::string_view recordText);

using LogFn = std::function<void(const std::string&)>;

struct CsvOutcome {
    bool converted = false; // a daily file was written
    int written = 0;        // record lines written
    int skipped = 0;        // lines that could not be read (bad code, date or numbers)
    std::string outputPath;
};

// Converts the day's CSV (header line skipped) into outFolder's daily file for day. A missing CSV is
// logged (path + "が存在しません　変換失敗") and gives converted = false; an error that ends the
// conversion is returned with the system's message for the day.
Result<CsvOutcome> ConvertCsvFile(const IssueMaster& master, const std::string& csvPath, const std::string& outFolder,
                                  Date day, const LogFn& log);

} // namespace kestrel::converter
