#include "core/net/MasterDownload.h"

#include "core/app/Encoding.h"
#include "core/app/Files.h"
#include "core/import/IssueMaster.h"
#include "core/net/ServerFiles.h"

#include <array>
#include <strings.h>

namespace kestrel::net {

MasterDownload downloadIssueMasterFile(const Fetcher& fetch, const std::string& durl, const std::string& dataFolder) {
    MasterDownload r;
    r.path =
        findFileNoCase(dataFolder, import::kMasterFileName).value_or(joinPath(dataFolder, import::kMasterFileName));
    const std::string url = serverUrl(durl, kMasterServerPath);
    FetchResult got = fetch(url);
    if (got.outcome == FetchResult::Outcome::Cancelled) {
        r.cancelled = true;
        r.note = describeFailure(got, url);
        return r;
    }
    if (!got.complete()) {
        r.note = describeFailure(got, url);
        return r;
    }
    if (got.body.empty()) {
        r.note = "空のファイルです: " + url;
        return r;
    }
    // The first line of the file begins with its date; an error page or anything else does not.
    if (!leadingDate(cp932ToUtf8Lossy(got.body.substr(0, 64)))) {
        r.note = "日付で始まるファイルではありません: " + url;
        return r;
    }
    Status written = writeFileAtomically(r.path, got.body);
    if (!written) {
        r.note = written.message();
        return r;
    }
    r.written = true;
    return r;
}

Date nextDataDate(Date latest) {
    const int wd = latest.weekday();
    if (wd == 6 || wd == 7)
        return NextMonday(latest.addDays(1));
    return latest.addDays(1);
}

} // namespace kestrel::net
