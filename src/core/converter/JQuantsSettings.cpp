#include "core/converter/JQuantsSettings.h"

#include "core/settings/IniFile.h"
#include "core/settings/Settings.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

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

// A whole number of at least 1, or nothing.
std::optional<int> number(const std::string& text) {
    int v = 0;
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec == std::errc() && p == text.data() + text.size() && v >= 1)
        return v;
    return std::nullopt;
}

} // namespace

const char* planName(Plan plan) {
    switch (plan) {
    case Plan::Free:
        return "Free";
    case Plan::Light:
        return "Light";
    case Plan::Standard:
        return "Standard";
    case Plan::Premium:
        return "Premium";
    }
    return "Free";
}

std::optional<Plan> parsePlan(std::string_view text) {
    for (Plan p : kAllPlans) {
        std::string_view name = planName(p);
        if (name.size() == text.size() && std::equal(name.begin(), name.end(), text.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            }))
            return p;
    }
    return std::nullopt;
}

int planPace(Plan plan) {
    switch (plan) {
    case Plan::Free:
        return 5;
    case Plan::Light:
        return 60;
    case Plan::Standard:
        return 120;
    case Plan::Premium:
        return 500;
    }
    return kDefaultPace;
}

JQuantsSettings loadJQuantsSettings(const std::string& kestrelIniPath) {
    JQuantsSettings s;
    std::string url = read(kestrelIniPath, "JQuantsURL");
    while (!url.empty() && url.back() == '/')
        url.pop_back();
    if (!url.empty())
        s.baseUrl = url;
    if (auto plan = parsePlan(read(kestrelIniPath, "JQuantsPlan")))
        s.plan = *plan;
    if (auto pace = number(read(kestrelIniPath, "JQuantsPace")))
        s.explicitPace = std::min(*pace, kMaxPace);
    if (auto wait = number(read(kestrelIniPath, "JQuantsRetryWait")))
        s.retryWait = std::min(*wait, 600);
    return s;
}

Status saveJQuantsSettings(const std::string& kestrelIniPath, const JQuantsSettings& settings) {
    if (Status st = writeIfChanged(kestrelIniPath, "JQuantsURL", settings.baseUrl); !st)
        return st;
    if (Status st = writeIfChanged(kestrelIniPath, "JQuantsPlan", planName(settings.plan)); !st)
        return st;
    return writeIfChanged(kestrelIniPath, "JQuantsPace",
                          settings.explicitPace ? std::to_string(*settings.explicitPace) : std::string());
}

std::string trimKey(std::string key) {
    const char* blanks = " \t\r\n";
    size_t a = key.find_first_not_of(blanks);
    if (a == std::string::npos)
        return {};
    size_t b = key.find_last_not_of(blanks);
    return key.substr(a, b - a + 1);
}

std::string keyProblem(std::string_view key) {
    if (key.size() > kMaxKeyLength)
        return "J-Quants の API キーが長すぎます（" + std::to_string(key.size()) + " 文字）。キーを確かめてください";
    for (char c : key) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f)
            return "J-Quants の API キーに制御文字（改行やタブなど）が含まれています。キーを確かめてください";
    }
    return {};
}

} // namespace kestrel::converter::jquants
