#include "core/converter/JQuantsSettings.h"

#include "core/settings/IniFile.h"
#include "core/settings/Settings.h"

#include <algorithm>
#include <charconv>

namespace kestrel::converter::jquants {

namespace {

std::string read(const std::string& path, const char* key) {
    cINI ini;
    ini.cstrPath(path);
    ini.cstrSection(kIniSection);
    ini.cstrkey(key);
    return ini.GetLineINI();
}

Status writeIfChanged(const std::string& path, const char* key, const std::string& value) {
    if (read(path, key) == value)
        return Status::ok();
    cINI ini;
    ini.cstrPath(path);
    ini.cstrSection(kIniSection);
    ini.cstrkey(key);
    ini.cstrData(value);
    return ini.WriteIni();
}

} // namespace

JQuantsSettings loadJQuantsSettings(const std::string& kestrelIniPath) {
    JQuantsSettings s;
    std::string url = read(kestrelIniPath, "JQuantsURL");
    while (!url.empty() && url.back() == '/')
        url.pop_back();
    if (!url.empty())
        s.baseUrl = url;
    std::string pace = read(kestrelIniPath, "JQuantsPace");
    int v = 0;
    auto [p, ec] = std::from_chars(pace.data(), pace.data() + pace.size(), v);
    if (ec == std::errc() && p == pace.data() + pace.size() && v >= 1)
        s.pace = std::min(v, kMaxPace);
    return s;
}

Status saveJQuantsSettings(const std::string& kestrelIniPath, const JQuantsSettings& settings) {
    if (Status st = writeIfChanged(kestrelIniPath, "JQuantsURL", settings.baseUrl); !st)
        return st;
    return writeIfChanged(kestrelIniPath, "JQuantsPace", std::to_string(settings.pace));
}

std::string trimKey(std::string key) {
    const char* blanks = " \t\r\n";
    size_t a = key.find_first_not_of(blanks);
    if (a == std::string::npos)
        return {};
    size_t b = key.find_last_not_of(blanks);
    return key.substr(a, b - a + 1);
}

} // namespace kestrel::converter::jquants
