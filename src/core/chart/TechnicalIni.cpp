#include "core/chart/TechnicalIni.h"

#include "core/settings/IniFile.h"
#include "core/settings/Settings.h"

#include <cstdio>
#include <functional>

namespace kestrel::chart {
namespace {

// One key of the section: how it reads and writes its field.
struct Key {
    const char* name;
    std::function<bool(std::string_view, TechnicalView&)> read;
    std::function<std::string(const TechnicalView&)> write;
};

Key intKey(const char* name, int TechnicalSettings::*field) {
    return {name,
            [field](std::string_view t, TechnicalView& v) {
                auto r = textToInt32(t);
                if (!r)
                    return false;
                v.settings.*field = *r;
                return true;
            },
            [field](const TechnicalView& v) { return std::to_string(v.settings.*field); }};
}

Key doubleKey(const char* name, double TechnicalSettings::*field) {
    return {name,
            [field](std::string_view t, TechnicalView& v) {
                auto r = textToDouble(t);
                if (!r)
                    return false;
                v.settings.*field = *r;
                return true;
            },
            [field](const TechnicalView& v) { return numberText(v.settings.*field); }};
}

// A choice of 0 or 1 read through `set`.
template <typename Get, typename Set> Key choiceKey(const char* name, Get get, Set set) {
    return {name,
            [set](std::string_view t, TechnicalView& v) {
                auto r = textToInt32(t);
                if (!r || (*r != 0 && *r != 1))
                    return false;
                set(v, *r);
                return true;
            },
            [get](const TechnicalView& v) { return std::to_string(get(v)); }};
}

const std::vector<Key>& keys() {
    static const std::vector<Key> k = [] {
        using S = TechnicalSettings;
        std::vector<Key> all = {
            intKey("TenkanPeriod", &S::tenkanPeriod),
            intKey("KijunPeriod", &S::kijunPeriod),
            intKey("Span2Period", &S::span2Period),
            intKey("IchimokuShift", &S::ichimokuShift),
            intKey("BbPeriod", &S::bbPeriod),
            choiceKey(
                "BbSigma", [](const TechnicalView& v) { return static_cast<int>(v.settings.bbSigma); },
                [](TechnicalView& v, int x) { v.settings.bbSigma = static_cast<SigmaKind>(x); }),
            {"BbBands",
             [](std::string_view t, TechnicalView& v) {
                 auto r = textToInt32(t);
                 if (!r || *r < 1 || *r > 3)
                     return false;
                 v.bbBands = *r;
                 return true;
             },
             [](const TechnicalView& v) { return std::to_string(v.bbBands); }},
            intKey("MacdFast", &S::macdFast),
            intKey("MacdSlow", &S::macdSlow),
            intKey("MacdSignal", &S::macdSignal),
            choiceKey(
                "MacdSignalKind", [](const TechnicalView& v) { return static_cast<int>(v.settings.macdSignalKind); },
                [](TechnicalView& v, int x) { v.settings.macdSignalKind = static_cast<SignalKind>(x); }),
            intKey("StochK", &S::stochK),
            intKey("StochD", &S::stochD),
            intKey("StochSD", &S::stochSD),
            choiceKey(
                "StochFast", [](const TechnicalView& v) { return v.stochFast ? 1 : 0; },
                [](TechnicalView& v, int x) { v.stochFast = x == 1; }),
            intKey("Rci1", &S::rci1),
            intKey("Rci2", &S::rci2),
            intKey("Rci3", &S::rci3),
            intKey("DmiPeriod", &S::dmiPeriod),
            doubleKey("SarStep", &S::sarStep),
            doubleKey("SarMax", &S::sarMax),
            intKey("EnvPeriod", &S::envPeriod),
            doubleKey("EnvPercent", &S::envPercent),
            intKey("HlPeriod", &S::hlPeriod),
            intKey("VpBins", &S::vpBins),
            {"Overlays",
             [](std::string_view t, TechnicalView& v) {
                 TechnicalOverlays o;
                 std::string bad;
                 if (!t.empty() && !overlaysFromText(t, o, bad))
                     return false;
                 v.overlays = o;
                 return true;
             },
             [](const TechnicalView& v) { return overlaysText(v.overlays); }},
        };
        for (int c = 0; c < kTechnicalColorCount; ++c)
            all.push_back({technicalColorKey(c).data(),
                           [c](std::string_view t, TechnicalView& v) {
                               auto rgb = colorFromText(t);
                               if (!rgb)
                                   return false;
                               v.colors[static_cast<std::size_t>(c)] = *rgb;
                               return true;
                           },
                           [c](const TechnicalView& v) { return colorText(v.colors[static_cast<std::size_t>(c)]); }});
        return all;
    }();
    return k;
}

} // namespace

std::vector<std::string_view> technicalKeys() {
    std::vector<std::string_view> out;
    for (const Key& k : keys())
        out.emplace_back(k.name);
    return out;
}

bool setTechnicalValue(TechnicalView& view, std::string_view key, std::string_view text) {
    for (const Key& k : keys())
        if (key == k.name) {
            TechnicalView trial = view;
            if (!k.read(text, trial))
                return false;
            view = trial;
            return true;
        }
    return false;
}

std::string technicalValueText(const TechnicalView& view, std::string_view key) {
    for (const Key& k : keys())
        if (key == k.name)
            return k.write(view);
    return {};
}

std::string_view keyOfField(std::string_view field) {
    for (const Key& k : keys()) {
        const std::string_view name = k.name;
        if (!field.empty() && name.size() == field.size() && name.substr(1) == field.substr(1) &&
            (name[0] | 0x20) == (field[0] | 0x20))
            return name;
    }
    return {};
}

std::string colorText(Rgb c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c.r & 0xFF, c.g & 0xFF, c.b & 0xFF);
    return buf;
}

std::optional<Rgb> colorFromText(std::string_view t) {
    if (t.size() != 7 || t[0] != '#')
        return std::nullopt;
    int v[6];
    for (int i = 0; i < 6; ++i) {
        const char ch = t[static_cast<std::size_t>(i + 1)];
        if (ch >= '0' && ch <= '9')
            v[i] = ch - '0';
        else if (ch >= 'a' && ch <= 'f')
            v[i] = ch - 'a' + 10;
        else if (ch >= 'A' && ch <= 'F')
            v[i] = ch - 'A' + 10;
        else
            return std::nullopt;
    }
    return Rgb{v[0] * 16 + v[1], v[2] * 16 + v[3], v[4] * 16 + v[5]};
}

std::string overlaysText(const TechnicalOverlays& o) {
    std::string s;
    const std::pair<bool, const char*> parts[] = {{o.ichimoku, "ichimoku"}, {o.bollinger, "bb"},
                                                  {o.envelope, "env"},      {o.hlBand, "hl"},
                                                  {o.sar, "sar"},           {o.volumeProfile, "vp"}};
    for (const auto& [on, name] : parts)
        if (on)
            s += (s.empty() ? "" : ",") + std::string(name);
    return s;
}

Status loadTechnicalView(const std::string& iniPath, TechnicalView& view) {
    view = TechnicalView{};
    std::string bad;
    for (const Key& k : keys()) {
        const std::string text = readProfileString(iniPath, kTechnicalSection, k.name);
        if (text.empty())
            continue;
        if (!k.read(text, view))
            bad += (bad.empty() ? "" : ", ") + std::string(k.name);
    }
    // Values that read but do not go together (a step above the largest factor, a period out of range):
    // the whole set of periods goes back to the defaults, the colours and overlays stay.
    if (Status st = view.settings.validate(); !st) {
        view.settings = TechnicalSettings{};
        bad += (bad.empty() ? "" : ", ") + st.message();
    }
    if (!bad.empty())
        return Status::error(StatusCode::InvalidInput,
                             std::string("Kestrel.ini [") + kTechnicalSection + "]: kept the default of " + bad);
    return Status::ok();
}

Status saveTechnicalView(const std::string& iniPath, const TechnicalView& view) {
    for (const Key& k : keys())
        if (Status st = writeProfileString(iniPath, kTechnicalSection, k.name, k.write(view)); !st)
            return st;
    return Status::ok();
}

} // namespace kestrel::chart
