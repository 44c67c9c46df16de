#pragma once
// The bulk files of the paid plans: /bulk/list names the files (Key, LastModified, Size), /bulk/get
// answers a signed address on another host that expires after a few minutes, and the file there is a
// gzip-compressed CSV of daily bars covering a period (usually a month). The period is read from the
// rows, not trusted from the name; the name's month only chooses which file to fetch.
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/converter/JQuantsData.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::converter::jquants {

struct BulkFile {
    std::string key;
    std::string lastModified;
    long long size = 0;
    std::optional<int> month; // YYYYMM named in the key, if any
};

// The files of the list's pages; an error naming context for a page that is not a list.
Result<std::vector<BulkFile>> parseBulkList(const std::vector<std::string>& pages, const std::string& context);
// The address of /bulk/get's answer ({"url": "..."}).
Result<std::string> parseBulkAddress(std::string_view body, const std::string& context);
// The month a key names: six digits YYYYMM (or YYYY-MM, YYYY_MM) with a month 01..12, the last such.
std::optional<int> bulkKeyMonth(std::string_view key);
// The bytes of a gzip stream; a damaged or cut-short stream is an error naming context.
Result<std::string> gunzip(std::string_view bytes, const std::string& context);

// The gzip stream of bytes (what the service's files are; for tests and benches).
Result<std::string> gzip(std::string_view bytes);

// A bulk file read whole: its bars by day (ascending), checked like a page's rows. A file whose rows
// do not all lie in one calendar month, or that holds no row, is refused as unexpected.
struct BulkMonth {
    std::map<Date, std::vector<BarRow>> days;
    int skippedCodes = 0;
};
Result<BulkMonth> readBulkFile(std::string_view gzipBytes, const std::string& context);

} // namespace kestrel::converter::jquants
