// The chart's header line: each value rounded as shown, "−" where a figure is missing, the market value
// from below 1億円 to hundreds of 兆円, and the tooltip's basis and standard.
#include "core/fins/FinsHeader.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::fins;

TEST(FinsHeader, ValuesAsShownAndDashesWhereMissing) {
    using O = std::optional<double>;
    const struct {
        O fper, pbr, yield, mktcap;
        const char* line;
    } cases[] = {
        {12.34, 0.849, 2.4451, 123.4e9, "予想PER 12.3倍  PBR 0.85倍  予想配当利回り 2.45%  時価総額 1,234億円"},
        {{}, {}, {}, {}, "予想PER −  PBR −  予想配当利回り −  時価総額 −"},
        {1600.0 / 80, 1.6, 1.5, 1.6e9, "予想PER 20.0倍  PBR 1.60倍  予想配当利回り 1.50%  時価総額 16億円"},
        {{}, 0.25, 0.0, 0.5e8, "予想PER −  PBR 0.25倍  予想配当利回り 0.00%  時価総額 0.5億円"},
        {99999.96, 12345.678, 33.333, 5.0e13,
         "予想PER 100000.0倍  PBR 12345.68倍  予想配当利回り 33.33%  時価総額 "
         "500,000億円"},
        {9.95, {}, {}, 9.96e8, "予想PER 9.9倍  PBR −  予想配当利回り −  時価総額 10億円"},
    };
    for (const auto& c : cases) {
        FinsFigures f;
        f.fper = c.fper;
        f.pbr = c.pbr;
        f.yield = c.yield;
        f.mktcap = c.mktcap;
        EXPECT_EQ(finsHeaderOf(f).line, c.line);
    }
}

TEST(FinsHeader, TooltipNamesBasisAndStandard) {
    const struct {
        const char* basis;
        const char* standard;
        const char* tooltip;
    } cases[] = {
        {"連", "IFRS", "連結・IFRS（2024/05/14 時点）"},
        {"単", "JP", "単独・日本基準（2024/05/14 時点）"},
        {"連", "US", "連結・米国基準（2024/05/14 時点）"},
        {"連", "", "連結（2024/05/14 時点）"},
        {"", "", "決算情報がありません"},
    };
    for (const auto& c : cases) {
        FinsFigures f;
        f.date = *Date::fromYmd(2024, 5, 14);
        f.basis = c.basis;
        f.standard = c.standard;
        EXPECT_EQ(finsHeaderOf(f).tooltip, c.tooltip) << c.basis << c.standard;
    }
}
