#pragma once
// The web pages of the 株式情報 menu that stay web pages (株価今日の値動き, 株価詳細情報, 企業情報, 掲示板):
// each opens the address the user set for it, a template in which "{code}" stands for the code,
// kept in Kestrel.ini, section "InfoPages". There is no address of our own: a page without one is not
// offered.
#include "core/app/Status.h"

#include <array>
#include <string>
#include <string_view>

namespace kestrel {

inline constexpr const char* kInfoPagesSection = "InfoPages";

struct InfoPage {
    const char* letter;  // the menu's page letter
    const char* key;     // the key in Kestrel.ini
    const char* caption; // the menu's caption
};
inline constexpr std::array<InfoPage, 4> kInfoPages = {{{"a", "Today", "株価今日の値動き"},
                                                        {"b", "Detail", "株価詳細情報"},
                                                        {"c", "Company", "企業情報"},
                                                        {"g", "Board", "掲示板"}}};

// The tooltip of a page without an address.
inline constexpr const char* kInfoPageUnsetTip =
    "オプションの「株式情報ページ」に、このページのURLを設定してください（{code} が銘柄コードに置き換わります）";

// The templates of the pages, in the order of kInfoPages; "" where none is set.
using InfoPageTemplates = std::array<std::string, kInfoPages.size()>;
InfoPageTemplates loadInfoPageTemplates(const std::string& iniPath);
// Writes the templates (blanks around each removed); the first failed write.
Status saveInfoPageTemplates(const std::string& iniPath, const InfoPageTemplates& templates);

// The address of a page for an issue: every "{code}" of the template replaced by code (blanks around the
// code removed, characters other than letters and digits percent-encoded), "https://" put before an
// address without a scheme; "" for an empty template.
std::string infoPageAddress(std::string_view pageTemplate, std::string_view code);

} // namespace kestrel
