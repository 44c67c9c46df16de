// The chart view's layout and its named templates in Kestrel.ini.
#include "core/chart/SeriesLayoutIni.h"

#include "core/settings/IniFile.h"
#include "core/settings/Settings.h"

#include <algorithm>
#include <set>

namespace kestrel::chart {
namespace {

constexpr const char* kTemplatesSection = "ChartTemplates";
constexpr const char* kTemplateKeys[] = {"Overlays", "Panes", "Span", "Log", "Compare"};
constexpr int kMaxOverlays = 16;
constexpr std::size_t kMaxNameBytes = 40;

std::vector<std::string_view> splitList(std::string_view text, char sep) {
    std::vector<std::string_view> out;
    while (!text.empty()) {
        const std::size_t at = text.find(sep);
        out.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            break;
        text.remove_prefix(at + 1);
        if (text.empty())
            out.emplace_back(); // a trailing separator: an empty item
    }
    return out;
}

bool readOverlays(std::string_view text, SeriesLayout& l) {
    l.overlays.clear();
    if (text == "none")
        return true;
    for (std::string_view name : splitList(text, ',')) {
        if (name.empty() || name.size() > 16 || !std::all_of(name.begin(), name.end(), [](char c) {
                return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
            }))
            return false;
        l.overlays.emplace_back(name);
    }
    return static_cast<int>(l.overlays.size()) <= kMaxOverlays;
}

bool readPanes(std::string_view text, SeriesLayout& l) {
    l.panes.clear();
    l.paneWeights.clear();
    if (text == "none")
        return true;
    int withWeight = 0, sum = 0;
    for (std::string_view item : splitList(text, ',')) {
        const std::size_t colon = item.find(':');
        const auto kind = paneByName(item.substr(0, colon));
        if (!kind || std::find(l.panes.begin(), l.panes.end(), *kind) != l.panes.end())
            return false;
        l.panes.push_back(*kind);
        if (colon != std::string_view::npos) {
            auto w = textToInt32(item.substr(colon + 1));
            if (!w || *w < 20 || *w > 800)
                return false;
            l.paneWeights.push_back(*w);
            sum += *w;
            ++withWeight;
        }
    }
    // All weights or none, and the price panel keeps a tenth of the height.
    // The window's ALL view with 伊藤ﾚｼｵ keeps one pane more than the pane menu adds.
    return static_cast<int>(l.panes.size()) <= kMaxScenePanes &&
           (withWeight == 0 || withWeight == static_cast<int>(l.panes.size())) && sum <= 900;
}

std::string panesText(const SeriesLayout& l) {
    std::string s;
    const bool weights = l.paneWeights.size() == l.panes.size();
    for (std::size_t i = 0; i < l.panes.size(); ++i) {
        s += (i ? "," : "") + std::string(paneName(l.panes[i]));
        if (weights)
            s += ":" + std::to_string(l.paneWeights[i]);
    }
    return s;
}

bool readSpan(std::string_view text, SeriesLayout& l) {
    if (auto p = spanByLabel(text)) {
        l.span = p;
        return true;
    }
    auto n = textToInt32(text);
    if (!n || *n < kMinViewBars || *n > 100000)
        return false;
    l.span.reset();
    l.bars = *n;
    return true;
}

bool readLog(std::string_view text, SeriesLayout& l) {
    if (text != "0" && text != "1")
        return false;
    l.logScale = text == "1";
    return true;
}

bool readCompare(std::string_view text, SeriesLayout& l) {
    l.compare.clear();
    for (std::string_view item : splitList(text, ',')) {
        if (item.empty() || !std::all_of(item.begin(), item.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        auto code = textToInt32(item);
        if (!code || *code <= 0 || std::find(l.compare.begin(), l.compare.end(), *code) != l.compare.end())
            return false;
        l.compare.push_back(*code);
    }
    return static_cast<int>(l.compare.size()) <= kMaxCompared;
}

std::string templateSection(std::string_view name) {
    return "ChartTemplate:" + std::string(name);
}

Status checkName(std::string_view name) {
    const bool ok =
        !name.empty() && name.size() <= kMaxNameBytes && name.front() != ' ' && name.back() != ' ' &&
        std::none_of(name.begin(), name.end(), [](char c) {
            return c == ',' || c == '[' || c == ']' || c == '=' || c == ';' || static_cast<unsigned char>(c) < 0x20;
        });
    if (!ok)
        return Status::error(StatusCode::InvalidInput, "テンプレート名が正しくありません: " + std::string(name));
    return Status::ok();
}

Status writeNames(const std::string& iniPath, const std::vector<std::string>& names) {
    std::string s;
    for (const std::string& n : names)
        s += (s.empty() ? "" : ",") + n;
    return writeProfileString(iniPath, kTemplatesSection, "Names", s);
}

} // namespace

void applyLayout(const SeriesLayout& layout, SceneOptions& options) {
    options.overlays.clear();
    options.volumeProfile = false;
    for (const std::string& name : layout.overlays) {
        if (name == kVolumeProfileOverlay)
            options.volumeProfile = true;
        else
            options.overlays.push_back(name);
    }
    options.panes = layout.panes;
    options.paneWeights = layout.paneWeights;
    options.logScale = layout.logScale;
}

SeriesLayout layoutOf(const SceneOptions& options, std::optional<SpanPreset> span, int bars) {
    SeriesLayout l;
    l.overlays = options.overlays;
    if (options.volumeProfile)
        l.overlays.emplace_back(kVolumeProfileOverlay);
    l.panes = options.panes;
    l.paneWeights = options.paneWeights.size() == options.panes.size() ? options.paneWeights : std::vector<int>{};
    l.span = span;
    l.bars = std::max(bars, kMinViewBars);
    l.logScale = options.logScale;
    return l;
}

Status loadSeriesLayout(const std::string& iniPath, std::string_view section, SeriesLayout& layout,
                        const SeriesLayout& defaults) {
    layout = defaults;
    SeriesLayout read = defaults;
    std::string bad;
    struct Key {
        const char* name;
        bool (*parse)(std::string_view, SeriesLayout&);
    };
    const Key keys[] = {{"Overlays", readOverlays},
                        {"Panes", readPanes},
                        {"Span", readSpan},
                        {"Log", readLog},
                        {"Compare", readCompare}};
    for (const Key& k : keys) {
        const std::string text = readProfileString(iniPath, section, k.name);
        if (text.empty()) // a missing key keeps its default
            continue;
        if (!k.parse(text, read))
            bad += (bad.empty() ? "" : ", ") + std::string(k.name);
    }
    if (!bad.empty())
        return Status::error(StatusCode::InvalidInput, "Kestrel.ini [" + std::string(section) +
                                                           "]: the default layout is used (could not read " + bad +
                                                           ")");
    layout = std::move(read);
    return Status::ok();
}

Status saveSeriesLayout(const std::string& iniPath, std::string_view section, const SeriesLayout& layout) {
    std::string overlays;
    for (const std::string& o : layout.overlays)
        overlays += (overlays.empty() ? "" : ",") + o;
    const std::string span = layout.span ? std::string(spanLabel(*layout.span)) : std::to_string(layout.bars);
    std::string compare;
    for (std::int32_t c : layout.compare)
        compare += (compare.empty() ? "" : ",") + std::to_string(c);
    const std::pair<const char*, std::string> values[] = {{"Overlays", overlays.empty() ? "none" : overlays},
                                                          {"Panes", layout.panes.empty() ? "none" : panesText(layout)},
                                                          {"Span", span},
                                                          {"Log", layout.logScale ? "1" : "0"},
                                                          {"Compare", compare}};
    for (const auto& [key, value] : values)
        if (Status st = writeProfileString(iniPath, section, key, value); !st)
            return st;
    return Status::ok();
}

std::vector<std::string> layoutTemplates(const std::string& iniPath) {
    std::vector<std::string> names;
    std::set<std::string> seen;
    const std::string text = readProfileString(iniPath, kTemplatesSection, "Names");
    for (std::string_view n : splitList(text, ','))
        if (checkName(n) && seen.insert(std::string(n)).second)
            names.emplace_back(n);
    return names;
}

Status saveLayoutTemplate(const std::string& iniPath, std::string_view name, const SeriesLayout& layout) {
    if (Status st = checkName(name); !st)
        return st;
    if (Status st = saveSeriesLayout(iniPath, templateSection(name), layout); !st)
        return st;
    std::vector<std::string> names = layoutTemplates(iniPath);
    if (std::find(names.begin(), names.end(), name) == names.end())
        names.emplace_back(name);
    return writeNames(iniPath, names);
}

Status loadLayoutTemplate(const std::string& iniPath, std::string_view name, SeriesLayout& layout,
                          const SeriesLayout& defaults) {
    const std::vector<std::string> names = layoutTemplates(iniPath);
    if (std::find(names.begin(), names.end(), name) == names.end())
        return Status::error(StatusCode::NotFound, "テンプレートがありません: " + std::string(name));
    return loadSeriesLayout(iniPath, templateSection(name), layout, defaults);
}

Status deleteLayoutTemplate(const std::string& iniPath, std::string_view name) {
    std::vector<std::string> names = layoutTemplates(iniPath);
    const auto it = std::find(names.begin(), names.end(), name);
    if (it == names.end())
        return Status::error(StatusCode::NotFound, "テンプレートがありません: " + std::string(name));
    names.erase(it);
    if (Status st = writeNames(iniPath, names); !st)
        return st;
    // No section is removed from the file: the keys are emptied, so a later template of that name starts clean.
    for (const char* key : kTemplateKeys)
        if (Status st = writeProfileString(iniPath, templateSection(name), key, ""); !st)
            return st;
    return Status::ok();
}

} // namespace kestrel::chart
