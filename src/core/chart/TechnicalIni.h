#pragma once
// The technical set's settings in Kestrel.ini, section "Technical" (keys of their own; the "Kestrel"
// section's keys keep their meaning): every period, multiplier and kind under the names of
// TechnicalIniKeys, the overlays switched on as "Overlays=ichimoku,bb,…" and each colour as "#RRGGBB".
// A file without the section, or a key without a value, means the default.
#include "core/app/Status.h"
#include "core/chart/ChartTechnical.h"

#include <string>
#include <string_view>
#include <vector>

namespace kestrel::chart {

inline constexpr const char* kTechnicalSection = "Technical";

// Reads the section into `view`, starting from the defaults. A value that does not read as its kind,
// or a set of values that does not validate, is left at its default and named in the returned error
// (the rest still loads).
Status loadTechnicalView(const std::string& iniPath, TechnicalView& view);
// Writes every key of the section.
Status saveTechnicalView(const std::string& iniPath, const TechnicalView& view);

// The keys of the section in the order they are written, one value put into a view by its key (false
// when it does not read as the key's kind, the view untouched), the text a key is written with, and the
// key of a field that TechnicalSettings::invalidField() names.
std::vector<std::string_view> technicalKeys();
bool setTechnicalValue(TechnicalView& view, std::string_view key, std::string_view text);
std::string technicalValueText(const TechnicalView& view, std::string_view key);
std::string_view keyOfField(std::string_view field);

// "#RRGGBB" and back (case-insensitive; nothing else reads).
std::string colorText(Rgb c);
std::optional<Rgb> colorFromText(std::string_view text);
// The overlays as "ichimoku,bb,env,hl,sar,vp" (those on, in that order).
std::string overlaysText(const TechnicalOverlays& o);

} // namespace kestrel::chart
