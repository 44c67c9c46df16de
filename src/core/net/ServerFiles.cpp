#include "core/net/ServerFiles.h"

#include "core/app/Encoding.h"
#include "core/net/Fetch.h"

namespace kestrel::net {

std::string serverUrl(std::string_view durl, std::string_view path) {
    std::string url = "http://";
    url += durl;
    if (durl.empty() || durl.back() != '/')
        url += '/';
    url += path;
    return url;
}

std::optional<Date> leadingDate(std::string_view text) {
    const std::string head = utf8Left(text, 8);
    if (utf8Length(head) < 8)
        return std::nullopt;
    if (auto d = Date::parse(head))
        return d;
    for (char c : head)
        if (c < '0' || c > '9')
            return std::nullopt;
    return Date::fromYmdInt(std::stoll(head));
}

std::optional<std::string> serverFileText(std::string_view bytes) {
    return cp932ToUtf8(bytes);
}

std::string describeFailure(const FetchResult& result, const std::string& url) {
    using O = FetchResult::Outcome;
    switch (result.outcome) {
    case O::Body:
        return std::string();
    case O::HttpError:
        return "サーバーの応答 " + std::to_string(result.httpStatus) + ": " + url;
    case O::Failed:
        return "接続できませんでした (" + result.error + "): " + url;
    case O::TimedOut:
        return "サーバーから" + std::to_string(result.timeoutSeconds) + "秒応答がありません: " + url;
    case O::Cancelled:
        return "転送を中止しました: " + url;
    }
    return std::string();
}

} // namespace kestrel::net
