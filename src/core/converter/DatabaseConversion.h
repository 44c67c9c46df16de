#pragma once
// The two database inputs of the converter: the monthly price database 株式.mdb (table 株価, one
// daily file per 年月日) and the collector's spg.mdb (table Quote, valid rows flagged 201327615; its
// codes 998407 and 998405 stand for the indices 1001 and 1002). Both are read through TableSource,
// so a Jet file (read-only, through libmdb) and a file of our own engine serve alike. Only a file of
// our own engine can be written: emptying and refilling the collector's tables and compacting
// spg.mdb are refused with a clear message for a Jet file.
#include "core/converter/RecordWriter.h"

namespace kestrel::converter {

inline constexpr long long kSpgValidFlags = 201327615;
inline constexpr const char* kSpgCompactStart = "spg.mdb 最適化中．．．";
inline constexpr const char* kSpgCompactEnd = "spg.mdb 最適化終了．．．";

// One daily file per 年月日 of 株価, rows in 銘柄コード order; logs "YY/MM/DD変換済" per day. A missing
// file is logged and is no error; a file that cannot be read gives the message
// description + " ファイル変換に失敗しました。".
Status ConvertMonthlyDatabase(const IssueMaster& master, const std::string& path, const std::string& outFolder,
                              const LogFn& log, int timeLimitMs = 60000);
// The valid rows of Quote into the daily file of the last row's date, then the compaction of spg.mdb
// (kept as spg.old) when the file is ours to write. Errors as above.
Status ConvertSpgDatabase(const IssueMaster& master, const std::string& spgPath, const std::string& outFolder,
                          const LogFn& log, int timeLimitMs = 60000);
// Empties Quote and Codes of spg.mdb and fills Codes from the main program's Mei. Refused for a Jet
// file, which we cannot write.
Status PrepareSpg(const std::string& kestrelMdbPath, const std::string& spgPath, const LogFn& log);

// The folder of the collector: the command line up to and including its last "/" or "\".
std::string collectorFolder(const std::string& commandLine);

} // namespace kestrel::converter
