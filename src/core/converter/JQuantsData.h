#pragma once
// The exchange's J-Quants pages turned into the files the program already imports. A page is a JSON
// object whose "data" array holds the rows and whose "pagination_key", while present, asks for the
// next page. Codes are five characters: a four-digit code followed by "0" is our issue code; every
// other code (a fifth digit other than 0, the alphanumeric codes) cannot be held and is counted as
// skipped. Prices and volume arrive as traded, per share, so every issue is written with units 1/1.
// Nothing here touches the network; the fetch loop lives in JQuantsRun.
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/converter/RecordWriter.h"
#include "core/db/Database.h"

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::converter::jquants {

inline constexpr int kTopixCode = 1002;
inline constexpr const char* kTopixName = "総合指数";

// Our issue code of a five-character code ("13010" -> 1301), or nothing.
std::optional<int> localCode(std::string_view code);
// 市場コード of a market code: 0111/0101 -> 1, 0112/0102 -> 2, 0113/0104/0106/0107 -> 3, others -> 6.
int marketOf(std::string_view mkt);

struct MarketCodeRow {
    int code = 0;
    std::string market; // the master's MarketCode, e.g. "0105"
};
struct MasterRow {
    int code = 0;
    int market = 0; // 市場コード
    std::string name;
    std::string jquantsMarket; // MarketCode as the master gives it ("" when absent)
};
struct BarRow {
    int code = 0;
    Date date;
    std::optional<double> open, high, low, close, volume; // nothing on a day without trading
    double adjFactor = 1;
    std::string exRt; // the kind of the day's adjustment: "1" split, "2" reverse split, "3" rights issue
};
struct TopixRow {
    Date date;
    std::optional<double> open, high, low, close;
};
struct MarginRow {
    int code = 0;
    Date date;
    double longVol = 0, shortVol = 0; // shares
};

template <class Row> struct Rows {
    std::vector<Row> rows;
    std::vector<std::string> skippedCodes; // the codes that cannot be held, as given
};

// The pagination key of a page ("" on the last page). An error when the text is not a JSON object
// with a "data" array; context names what was asked ("2024-01-05 の株価") in the message.
Result<std::string> paginationKey(std::string_view body, const std::string& context);

// The rows of one or more pages, appended in order. A field of the wrong type, a code that is not a
// string or a row without a date is an error naming context; nothing of the pages is then kept.
Result<Rows<MasterRow>> parseMaster(const std::vector<std::string>& pages, const std::string& context);
Result<Rows<BarRow>> parseBars(const std::vector<std::string>& pages, const std::string& context);
// The rows of a bulk file's CSV text (its first line names the columns, in any order): each row goes
// through the same checks as a page's row; a line whose field count differs from the header's, or a
// header without Date, Code, O, H, L, C and Vo, is an error naming context and the line.
Result<Rows<BarRow>> parseBarsCsv(std::string_view text, const std::string& context);
Result<Rows<TopixRow>> parseTopix(const std::vector<std::string>& pages, const std::string& context);
Result<Rows<MarginRow>> parseMargin(const std::vector<std::string>& pages, const std::string& context);

// The issue master the record writer maps through: Mei's names and markets (when mei is given)
// overlaid by the exchange's rows, every issue with units 1/1, and 1002 as 総合指数.
IssueMaster snapshotMaster(const IssueMaster* mei, const std::vector<MasterRow>& rows);
// Regist.Mei: "YYYYMMDD,count", then "code,market,name,1,1" per issue (1002 総合指数 included), CP932
// with CR LF. Commas are taken out of names; characters without a CP932 form are dropped.
std::string masterFileBytes(Date date, const std::vector<MasterRow>& rows);
// Regist.Mkt, read with Regist.Mei by the master import: "YYYYMMDD,count", then "code,MarketCode" per
// issue that has one, ASCII with CR LF.
std::string marketCodeFileBytes(Date date, const std::vector<MasterRow>& rows);
// Writes Regist.Mkt, then Regist.Mei, into dataFolder, each atomically.
Status writeMasterFiles(const std::string& dataFolder, Date date, const std::vector<MasterRow>& rows);

struct DayWritten {
    std::string path;
    int records = 0;
};
// Writes folder's daily file for day through the record writer, atomically: every bar (a row without
// prices or volume as volume 0 and prices 0), then TOPIX as 1002 when given.
Result<DayWritten> writeDailyFile(const IssueMaster& master, Date day, const std::vector<BarRow>& bars,
                                  const std::optional<TopixRow>& topix, const std::string& folder);
// CP932 of UTF-8 text, dropping the characters that have no CP932 form.
std::string toCp932Dropping(std::string_view text);
// The margin file "Ys" + date: line 1 the date, line 2 the count, then "code,,,売残,買残,単位".
std::string marginFileBytes(Date date, const std::vector<MarginRow>& rows);

// Records a proposal in Bunkatu for every bar whose factor is not 1 (a split, reverse split or rights
// issue as classifyAdjustment tells), in one transaction; the number of rows added or updated.
Result<int> recordSplits(db::Database& db, const std::vector<BarRow>& bars);

} // namespace kestrel::converter::jquants
