#pragma once
// The issue-master download: Regist.Mei is fetched from the data server and stored in the data folder
// for the issue master import. The file is stored only when the whole answer arrived and its first
// line starts with a date, and it is written under a temporary name and renamed, so a failed or
// cut-short download never replaces a good local file.
#include "core/app/Date.h"
#include "core/db/Database.h"
#include "core/db/LatestDate.h"
#include "core/net/Fetch.h"

#include <optional>
#include <string>

namespace kestrel::net {

struct MasterDownload {
    bool written = false;
    bool cancelled = false;
    std::string path; // the file written (or that would have been)
    std::string note; // why nothing was written, for the user; "" when written
};

// Fetches serverUrl(durl, "kabumei/Regist.mei") and writes the answer's bytes unchanged to
// dataFolder/Regist.Mei (an existing file of that name in any letter case is replaced).
MasterDownload downloadIssueMasterFile(const Fetcher& fetch, const std::string& durl, const std::string& dataFolder);

// The first date to fetch after the latest stored one: the Monday after it when it is a Friday or
// Saturday, else the next day.
Date nextDataDate(Date latest);

using db::latestStoredDate;

} // namespace kestrel::net
