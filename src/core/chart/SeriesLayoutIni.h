#pragma once
// The chart view's layout in Kestrel.ini: the overlays, the panes with their heights, the span and the
// scale, as the window left them (section "ChartLayout"), and named layouts (テンプレート), each in a
// section "ChartTemplate:NAME" with their names listed in [ChartTemplates] Names=. The keys:
//   Overlays=bbMid,bbUp2      names of the lines on the price panel (letters and digits); "none"
//   Panes=volume:284,macd:196 panes in order, each with its height weight (all or none); "none"
//   Span=1年 | 110            a span preset, or the number of bars shown
//   Log=0 | 1                 log price scale
//   Compare=1306,1321         up to three issues compared in percent (missing or empty: none)
// "volumeProfile" among the overlays stands for 価格帯別出来高 (drawn by the scene, not a line of it).
// A section whose values do not read as a whole layout is ignored: the default layout is used and one
// error names the section (nothing else of the file is touched). The file stays CP932 with CR LF.
#include "core/app/Status.h"
#include "core/chart/SeriesNavigation.h"
#include "core/chart/SeriesScene.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::chart {

inline constexpr const char* kSeriesLayoutSection = "ChartLayout";
inline constexpr int kDefaultViewBars = 110;
inline constexpr const char* kVolumeProfileOverlay = "volumeProfile";

struct SeriesLayout {
    std::vector<std::string> overlays;
    std::vector<PaneKind> panes{PaneKind::Volume};
    std::vector<int> paneWeights;   // empty: the default split
    std::optional<SpanPreset> span; // a preset; none: `bars` bars
    int bars = kDefaultViewBars;
    bool logScale = false;
    std::vector<std::int32_t> compare; // issue codes, at most kMaxCompared, none twice
    bool operator==(const SeriesLayout&) const = default;
};

// The layout's parts in the options a chart is built with (averages and the rest untouched), and back
// (the comparison is not an option: layoutOf leaves it empty).
void applyLayout(const SeriesLayout& layout, SceneOptions& options);
SeriesLayout layoutOf(const SceneOptions& options, std::optional<SpanPreset> span, int bars);

// The layout of `section`: a key missing or empty keeps its value of `defaults`. A damaged section:
// `defaults` whole and an InvalidInput error naming "Kestrel.ini [section]" and the keys that failed.
Status loadSeriesLayout(const std::string& iniPath, std::string_view section, SeriesLayout& layout,
                        const SeriesLayout& defaults = SeriesLayout{});
// Writes every key of the layout into `section`.
Status saveSeriesLayout(const std::string& iniPath, std::string_view section, const SeriesLayout& layout);

// Named layouts. A name is 1 to 40 bytes, without blanks at either end and without , [ ] = ; or control
// characters (InvalidInput otherwise). Saving a name again replaces its layout; recalling or deleting a
// name that is not listed is NotFound.
std::vector<std::string> layoutTemplates(const std::string& iniPath);
Status saveLayoutTemplate(const std::string& iniPath, std::string_view name, const SeriesLayout& layout);
Status loadLayoutTemplate(const std::string& iniPath, std::string_view name, SeriesLayout& layout,
                          const SeriesLayout& defaults = SeriesLayout{});
Status deleteLayoutTemplate(const std::string& iniPath, std::string_view name);

} // namespace kestrel::chart
