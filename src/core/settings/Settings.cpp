#include "core/settings/Settings.h"

#include "core/settings/IniFile.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace kestrel {

Result<double> textToDouble(std::string_view text) {
    std::string cleaned;
    size_t i = 0, n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    while (n > i && (text[n - 1] == ' ' || text[n - 1] == '\t'))
        --n;
    bool digits = false, dot = false, exp = false;
    for (size_t k = i; k < n; ++k) {
        char c = text[k];
        if (c >= '0' && c <= '9') {
            digits = true;
            cleaned += c;
        } else if (c == ',' && digits && !dot && !exp) {
            // thousands separator
        } else if ((c == '+' || c == '-') && (k == i || (exp && (cleaned.back() == 'e')))) {
            cleaned += c;
        } else if (c == '.' && !dot && !exp) {
            dot = true;
            cleaned += c;
        } else if ((c == 'e' || c == 'E') && digits && !exp) {
            exp = true;
            cleaned += 'e';
        } else {
            return Result<double>::error(StatusCode::InvalidInput, kTypeMismatch);
        }
    }
    if (!digits || cleaned.back() == 'e' || cleaned.back() == '+' || cleaned.back() == '-')
        return Result<double>::error(StatusCode::InvalidInput, kTypeMismatch);
    char* end = nullptr;
    double v = std::strtod(cleaned.c_str(), &end);
    if (end != cleaned.c_str() + cleaned.size())
        return Result<double>::error(StatusCode::InvalidInput, kTypeMismatch);
    if (!std::isfinite(v))
        return Result<double>::error(StatusCode::OutOfRange, kOverflow);
    return v;
}

bool isNumeric(std::string_view text) {
    return textToDouble(text).isOk();
}

namespace {
template <typename T> Result<T> toInteger(std::string_view text) {
    auto d = textToDouble(text);
    if (!d)
        return d.status();
    double r = roundHalfEven(*d);
    if (r < static_cast<double>(std::numeric_limits<T>::min()) ||
        r > static_cast<double>(std::numeric_limits<T>::max()))
        return Result<T>::error(StatusCode::OutOfRange, kOverflow);
    return static_cast<T>(r);
}
} // namespace

Result<std::int16_t> textToInt16(std::string_view text) {
    return toInteger<std::int16_t>(text);
}
Result<std::int32_t> textToInt32(std::string_view text) {
    return toInteger<std::int32_t>(text);
}

Result<float> textToSingle(std::string_view text) {
    auto d = textToDouble(text);
    if (!d)
        return d.status();
    if (std::fabs(*d) > std::numeric_limits<float>::max())
        return Result<float>::error(StatusCode::OutOfRange, kOverflow);
    return static_cast<float>(*d);
}

Result<Currency> textToCurrency(std::string_view text) {
    auto d = textToDouble(text);
    if (!d)
        return d.status();
    if (std::fabs(*d) > 9.2e14)
        return Result<Currency>::error(StatusCode::OutOfRange, kOverflow);
    // Exact for plain decimal text; through the double otherwise (exponents, commas).
    if (auto exact = Currency::parse(text))
        return *exact;
    return Currency::fromDouble(*d);
}

std::string numberText(double v) {
    if (v == std::floor(v) && std::fabs(v) < 1e15)
        return std::to_string(static_cast<long long>(v));
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, static_cast<float>(v));
    return std::string(buf, r.ptr);
}

SettingsText defaultSettingsText(const std::string& programFolder) {
    SettingsText t;
    t.ScreenMode = "1";
    t.slidechart = "1";
    t.move1 = "5";
    t.move2 = "15";
    t.move3 = "30";
    t.SaicoL = "12";
    t.RSIVR = "12";
    t.DURL = kDefaultServerAddress;
    t.MURL = kDefaultServerAddress;
    t.QuoteHost = kDefaultQuoteHost;
    t.RDel = "0";
    t.SonPa = "4";
    t.hibiPath = programFolder + "/Data/";
    t.sinyoPath = "";
    t.MakeSyu = "1";
    t.ReadSinyo = "しない";
    t.DelJyoho = "30";
    t.ALLITORSO = "1";
    t.ITORSO = "1";
    t.BunkatuChosei = "1";
    return t;
}

SettingsText settingsToText(const Settings& s) {
    SettingsText t;
    t.ScreenMode = std::to_string(s.ScreenMode);
    t.slidechart = numberText(s.slidechart);
    t.move1 = std::to_string(s.move1);
    t.move2 = std::to_string(s.move2);
    t.move3 = std::to_string(s.move3);
    t.SaicoL = std::to_string(s.SaicoL);
    t.RSIVR = std::to_string(s.RSIVR);
    t.DURL = s.DURL;
    t.MURL = s.MURL;
    t.QuoteHost = s.QuoteHost;
    t.RDel = std::to_string(s.RDel);
    t.SonPa = s.SonPa.toString();
    t.hibiPath = s.hibiPath;
    t.sinyoPath = s.sinyoPath;
    t.MakeSyu = std::to_string(s.MakeSyu);
    t.ReadSinyo = s.ReadSinyo;
    t.DelJyoho = std::to_string(s.DelJyoho);
    t.ALLITORSO = std::to_string(s.ALLITORSO);
    t.ITORSO = std::to_string(s.ITORSO);
    t.BunkatuChosei = std::to_string(s.BunkatuChosei);
    t.JyohoSource = s.JyohoSource;
    return t;
}

namespace {

std::string withSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace

void LoadSettings(const std::string& iniPath, Settings& s, Prompt& prompt) {
    auto get = [&](const char* key) { return readProfileString(iniPath, kIniSection, key); };
    const size_t slash = iniPath.rfind('/');
    const SettingsText defaults = defaultSettingsText(slash == std::string::npos ? "." : iniPath.substr(0, slash));
    const std::pair<const char*, const std::string*> defaultOf[] = {
        {"ScreenMode", &defaults.ScreenMode}, {"slidechart", &defaults.slidechart},
        {"move1", &defaults.move1},           {"move2", &defaults.move2},
        {"move3", &defaults.move3},           {"SaicoL", &defaults.SaicoL},
        {"RSIVR", &defaults.RSIVR},           {"RDel", &defaults.RDel},
        {"SonPa", &defaults.SonPa},           {"MakeSyu", &defaults.MakeSyu},
        {"DelJyoho", &defaults.DelJyoho},     {"ALLITORSO", &defaults.ALLITORSO},
        {"ITORSO", &defaults.ITORSO},         {"hibiPath", &defaults.hibiPath},
    };
    auto defaultText = [&](const char* key) {
        for (const auto& [k, v] : defaultOf)
            if (std::string_view(k) == key)
                return *v;
        return std::string();
    };
    // Keys the file lacks (or leaves empty) take their default; they are named once, after all.
    std::vector<const char*> missing;
    // A value that will not convert is named by its key and file.
    auto tell = [&](const char* key, const Status& st) { prompt.notify(iniPath + " の " + key + ": " + st.message()); };
    // Converts the key's text into field; a value that will not convert keeps the field as it was.
    auto load = [&](const char* key, auto& field, auto convert) {
        std::string text = get(key);
        if (text.find_first_not_of(" \t") == std::string::npos) {
            missing.push_back(key);
            text = defaultText(key);
        }
        auto r = convert(text);
        if (r)
            field = *r;
        else
            tell(key, r.status());
    };
    auto loadInt16 = [&](const char* key, std::int16_t& field) { load(key, field, textToInt16); };
    loadInt16("ScreenMode", s.ScreenMode);
    load("slidechart", s.slidechart, textToSingle);
    loadInt16("move1", s.move1);
    loadInt16("move2", s.move2);
    loadInt16("move3", s.move3);
    loadInt16("SaicoL", s.SaicoL);
    loadInt16("RSIVR", s.RSIVR);
    s.DURL = get("DURL");
    s.hibiPath = get("hibiPath");
    if (s.hibiPath.empty()) {
        // Without a daily-data folder the program folder's Data folder is used, as a new file has it.
        missing.push_back("hibiPath");
        s.hibiPath = defaults.hibiPath;
    }
    s.hibiPath = withSeparator(s.hibiPath);
    s.sinyoPath = withSeparator(get("sinyoPath"));
    s.MURL = get("MURL");
    s.QuoteHost = get("QuoteHost");
    loadInt16("RDel", s.RDel);
    load("SonPa", s.SonPa, textToCurrency);
    loadInt16("MakeSyu", s.MakeSyu);
    s.ReadSinyo = get("ReadSinyo");
    loadInt16("DelJyoho", s.DelJyoho);
    loadInt16("ALLITORSO", s.ALLITORSO);
    loadInt16("ITORSO", s.ITORSO);
    s.JyohoSource = get("JyohoSource");
    // Written by newer versions only: a missing key keeps the adjustment on.
    if (get("BunkatuChosei").empty())
        s.BunkatuChosei = 1;
    else
        loadInt16("BunkatuChosei", s.BunkatuChosei);
    if (get("BaibaiChart").empty())
        s.BaibaiChart = 1;
    else
        loadInt16("BaibaiChart", s.BaibaiChart);
    if (missing.empty())
        return;
    // The defaults are written into the file, so the notice comes once; a file that cannot be written
    // is used as it is.
    std::string names;
    for (const char* key : missing) {
        names += (names.empty() ? "" : ", ") + std::string(key);
        (void)writeProfileString(iniPath, kIniSection, key, defaultText(key));
    }
    prompt.notify(iniPath + " になかった設定 " + names + " は既定値にしました。");
}

void SaveSettings(const std::string& iniPath, const SettingsText& v, bool resetFilters, Prompt& prompt) {
    if (::access(iniPath.c_str(), F_OK) != 0) {
        if (Status st = writeFileAtomically(iniPath, ""); !st)
            prompt.notify(st.message());
    }
    const std::pair<const char*, const std::string*> keys[] = {
        {"ScreenMode", &v.ScreenMode},
        {"slidechart", &v.slidechart},
        {"move1", &v.move1},
        {"move2", &v.move2},
        {"move3", &v.move3},
        {"SaicoL", &v.SaicoL},
        {"RSIVR", &v.RSIVR},
        {"DURL", &v.DURL},
        {"MURL", &v.MURL},
        {"QuoteHost", &v.QuoteHost},
        {"RDel", &v.RDel},
        {"SonPa", &v.SonPa},
        {"hibiPath", &v.hibiPath},
        {"sinyoPath", &v.sinyoPath},
        {"MakeSyu", &v.MakeSyu},
        {"ReadSinyo", &v.ReadSinyo},
        {"DelJyoho", &v.DelJyoho},
        {"ALLITORSO", &v.ALLITORSO},
        {"ITORSO", &v.ITORSO},
        {"BunkatuChosei", &v.BunkatuChosei},
        {"JyohoSource", &v.JyohoSource},
    };
    for (const auto& [key, value] : keys) {
        if (Status st = writeProfileString(iniPath, kIniSection, key, *value); !st)
            prompt.notify(st.message());
    }
    if (resetFilters) {
        for (const char* key : {"FilterGaku", "FilterDekidaka"}) {
            if (Status st = writeProfileString(iniPath, kIniSection, key, ""); !st)
                prompt.notify(st.message());
        }
    }
}

bool computesInformation(const Settings& s) {
    if (s.JyohoSource == kInfoSourceComputed)
        return true;
    if (s.JyohoSource == kInfoSourceServer)
        return false;
    return s.DURL.empty() || s.DURL == kDefaultServerAddress;
}

} // namespace kestrel
