#include "core/settings/InfoPages.h"

#include "core/settings/IniFile.h"

#include <cstdio>

namespace kestrel {

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

} // namespace

InfoPageTemplates loadInfoPageTemplates(const std::string& iniPath) {
    InfoPageTemplates out;
    for (size_t i = 0; i < kInfoPages.size(); ++i)
        out[i] = std::string(trimmed(readProfileString(iniPath, kInfoPagesSection, kInfoPages[i].key)));
    return out;
}

Status saveInfoPageTemplates(const std::string& iniPath, const InfoPageTemplates& templates) {
    for (size_t i = 0; i < kInfoPages.size(); ++i)
        if (Status s = writeProfileString(iniPath, kInfoPagesSection, kInfoPages[i].key, trimmed(templates[i])); !s)
            return s;
    return Status::ok();
}

std::string infoPageAddress(std::string_view pageTemplate, std::string_view code) {
    pageTemplate = trimmed(pageTemplate);
    if (pageTemplate.empty())
        return {};
    std::string encoded;
    for (unsigned char c : trimmed(code)) {
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            encoded += static_cast<char>(c);
        } else {
            char b[4];
            std::snprintf(b, sizeof b, "%%%02X", c);
            encoded += b;
        }
    }
    constexpr std::string_view kCode = "{code}";
    std::string out;
    size_t from = 0;
    for (size_t at; (at = pageTemplate.find(kCode, from)) != std::string_view::npos; from = at + kCode.size())
        out.append(pageTemplate.substr(from, at - from)).append(encoded);
    out.append(pageTemplate.substr(from));
    if (out.find("://") == std::string::npos)
        out.insert(0, "https://"); // an address typed without its scheme
    return out;
}

} // namespace kestrel
