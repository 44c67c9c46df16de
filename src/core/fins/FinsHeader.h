#pragma once
// The line under a chart's title: an issue's valuations as of the chart's date, and its tooltip.
#include "core/fins/FinsFigures.h"

#include <string>

namespace kestrel::fins {

struct FinsHeader {
    // "予想PER 12.3倍  PBR 0.85倍  予想配当利回り 2.45%  時価総額 1,234億円": PER with one decimal, PBR and the
    // yield with two, the market value in whole 億円 (one decimal below 10億円); "−" for a value the
    // figures do not give.
    std::string line;
    // The basis and the standard of the latest counted results ("連結・IFRS（2024-05-14 時点）"), or
    // "決算情報がありません" without one.
    std::string tooltip;
};

// The header of the figures f (as figuresAsOf or figuresOfIssue give them).
FinsHeader finsHeaderOf(const FinsFigures& f);

} // namespace kestrel::fins
