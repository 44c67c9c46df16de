#pragma once
// The data server's addresses and the check every downloaded file passes: the server is named by
// DURL (an address without scheme, with or without a trailing "/"), and a file is taken only when its
// first eight characters form a date.
#include "core/app/Date.h"

#include <optional>
#include <string>
#include <string_view>

namespace kestrel::net {

inline constexpr const char* kMasterServerPath = "kabumei/Regist.mei";
inline constexpr const char* kKindsServerPath = "kabumei/infodata";
inline constexpr const char* kNotFoundMessage = "取得するファイルが見つかりません。";

// "http://" + durl + "/" (left out when durl already ends in "/") + path.
std::string serverUrl(std::string_view durl, std::string_view path);

// The date formed by the first eight characters of a UTF-8 text: "YY/MM/DD" (or any date text
// Date::parse takes) or eight digits YYYYMMDD. Nothing when they form no date or the text is shorter.
std::optional<Date> leadingDate(std::string_view text);

// A server file's bytes (code page 932) as UTF-8; nothing when they are not valid code page 932.
std::optional<std::string> serverFileText(std::string_view bytes);

} // namespace kestrel::net
