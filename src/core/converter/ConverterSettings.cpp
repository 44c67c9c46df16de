#include "core/converter/ConverterSettings.h"

#include "core/app/Files.h"
#include "core/settings/IniFile.h"
#include "core/startup/Startup.h"

#include <charconv>

namespace kestrel::converter {

namespace {

std::string keyOf(int index) {
    static const char* kPrefixes[] = {"URLTitle", "URL", "URLDATA"};
    return std::string(kPrefixes[index / kSourceCount]) + std::to_string(index % kSourceCount + 1);
}

int toInt(const std::string& text) {
    int v = 0;
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    return ec == std::errc() && p == text.data() + text.size() ? v : 0;
}

} // namespace

bool ConverterSettings::isRegistered(int source) const {
    const std::string& t = title(source);
    return !t.empty() && t != kUnregistered;
}

ConverterSettings defaultConverterSettings() {
    ConverterSettings s;
    for (int i = 1; i <= kSourceCount; ++i)
        s.title(i) = kUnregistered;
    s.title(1) = "株価データ情報";
    s.page(1) = "http://kabudata.example/kabu.htm";
    s.data(1) = "http://kabudata.example/kabudata/";
    s.title(2) = "株価情報";
    s.page(2) = "http://kabuka.example/";
    s.data(2) = "http://kabuka.example/";
    s.title(3) = "インターネット株価収集ソフト ＳＰＧ";
    s.page(3) = "http://spg.example/download.htm";
    s.title(8) = "株価データ情報の１ヶ月データー";
    s.page(8) = "http://kabudata.example/kabu.htm";
    s.data(8) = "http://kabudata.example/";
    // An empty data address takes the API address JQuantsURL of Kestrel.ini.
    s.title(kJQuantsSource) = "J-Quants";
    s.page(kJQuantsSource) = "https://jpx-jquants.com/";
    s.setNo = 0;
    s.check1 = 1;
    return s;
}

ConverterSettings LoadConverterSettings(const std::string& iniPath) {
    ConverterSettings s;
    cINI ini;
    ini.cstrPath(iniPath);
    ini.cstrSection(kIniSection);
    for (int i = 0; i < 3 * kSourceCount; ++i) {
        ini.cstrkey(keyOf(i));
        s.texts[i] = ini.GetLineINI();
    }
    if (s.title(kJQuantsSource).empty() && s.page(kJQuantsSource).empty()) { // a file of eight sources
        ConverterSettings d = defaultConverterSettings();
        s.title(kJQuantsSource) = d.title(kJQuantsSource);
        s.page(kJQuantsSource) = d.page(kJQuantsSource);
    }
    ini.cstrkey("SetNo");
    s.setNo = toInt(ini.GetLineINI());
    if (s.setNo < 0 || s.setNo >= kSourceCount)
        s.setNo = 0;
    ini.cstrkey("Check1");
    s.check1 = toInt(ini.GetLineINI());
    ini.cstrkey("SetChosen");
    s.chosen = toInt(ini.GetLineINI()) == 1;
    return s;
}

Status SaveConverterSettings(const std::string& iniPath, const ConverterSettings& settings) {
    auto put = [&](const std::string& key, const std::string& value) {
        cINI ini;
        ini.cstrPath(iniPath);
        ini.cstrSection(kIniSection);
        ini.cstrkey(key);
        ini.cstrData(value);
        return ini.WriteIni();
    };
    // Title, page and data address of each source in turn.
    for (int source = 1; source <= kSourceCount; ++source) {
        for (int kind = 0; kind < 3; ++kind) {
            int index = kind * kSourceCount + source - 1;
            if (Status st = put(keyOf(index), settings.texts[index]); !st)
                return st;
        }
    }
    if (Status st = put("SetNo", std::to_string(settings.setNo)); !st)
        return st;
    if (Status st = put("Check1", std::to_string(settings.check1)); !st)
        return st;
    if (Status st = put("Version", programVersion()); !st)
        return st;
    return settings.chosen ? put("SetChosen", "1") : Status::ok();
}

bool jquantsUsed(const std::string& kestrelIniPath) {
    return !kestrelIniPath.empty() && !readProfileString(kestrelIniPath, "Kestrel", "JQuantsPlan").empty();
}

int openingSource(const ConverterSettings& settings, bool used) {
    return used && !settings.chosen ? kJQuantsSource - 1 : settings.setNo;
}

bool sourceRowShown(const ConverterSettings& settings, int source, int selected) {
    if (settings.isRegistered(source) || source == selected + 1)
        return true;
    for (int s = 1; s < source; ++s)
        if (!settings.isRegistered(s))
            return false;
    return true;
}

Result<ConverterSettings> loadOrCreateConverterSettings(const std::string& iniPath) {
    if (!fileExists(iniPath)) {
        if (Status st = SaveConverterSettings(iniPath, defaultConverterSettings()); !st)
            return st;
    }
    return LoadConverterSettings(iniPath);
}

} // namespace kestrel::converter
