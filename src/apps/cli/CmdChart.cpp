// kestrel chart: loads the chart of one issue as the main window does, and prints its values, its
// price list, or renders it to a PNG file.
#include "Command.h"
#include "core/app/Files.h"
#include "core/chart/ChartData.h"
#include "core/chart/ChartJson.h"
#include "core/chart/ChartScene.h"
#include "core/chart/MainChart.h"
#include "core/chart/SeriesJson.h"
#include "core/chart/SeriesLayoutIni.h"
#include "core/chart/SeriesLoad.h"
#include "core/chart/SeriesOverlay.h"
#include "core/chart/SeriesScene.h"
#include "core/chart/TechnicalIni.h"
#include "core/chart/UserLines.h"
#include "core/db/BarTable.h"
#include "core/trade/LedgerMarks.h"

#include <ostream>

#ifdef KESTREL_WITH_PNG
#include "services/render/ChartPainter.h"
#include "services/render/SeriesPainter.h"

#include <QBuffer>
#include <QByteArray>
#include <QPainter>
#endif

namespace kestrel::cli {
namespace {

// Notices go to the error stream, so --json and --list output stays clean.
class StderrPrompt : public Prompt {
public:
    explicit StderrPrompt(std::ostream& err) : m_err(err) {}
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void notify(const std::string& text, const std::string&) override { m_err << text << "\n"; }

private:
    std::ostream& m_err;
};

std::optional<int> wholeNumber(const std::string& s, int low, int high) {
    if (s.empty() || s.size() > 6 || s.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    int v = std::stoi(s);
    if (v < low || v > high)
        return std::nullopt;
    return v;
}

// The span options: --bars N, --from DATE, --monthly, and the view options --log, --compare, --panes and
// --size. They list every bar of the span as JSON, or draw the span at any size as a PNG.
struct SpanOptions {
    bool any = false;
    bool view = false;  // a span option other than --size: the view is chosen, not the window's
    bool sized = false; // --size given
    bool monthly = false;
    std::optional<int> bars;
    std::optional<Date> from;
    bool log = false;
    std::vector<std::string> compare; // codes as given
    std::optional<std::string> panes;
    int width = 1280, height = 800;
};

std::vector<std::string> commaList(const std::string& s) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = s.find(',', start);
        out.push_back(s.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos)
            return out;
        start = comma + 1;
    }
}

// Reads the span options; a refusal prints its reason and returns the exit status.
std::optional<int> takeSpanOptions(Invocation& inv, bool weekly, bool json, bool png, SpanOptions& span) {
    span.monthly = inv.takeFlag("--monthly");
    std::optional<std::string> bars = inv.takeOption("--bars");
    std::optional<std::string> from = inv.takeOption("--from");
    span.log = inv.takeFlag("--log");
    std::optional<std::string> compare = inv.takeOption("--compare");
    span.panes = inv.takeOption("--panes");
    std::optional<std::string> size = inv.takeOption("--size");
    span.view = span.monthly || bars || from || span.log || compare || span.panes;
    span.sized = size.has_value();
    span.any = span.view || span.sized;
    if (!span.any)
        return std::nullopt;
    if (compare) {
        span.compare = commaList(*compare);
        for (const std::string& c : span.compare)
            if (!wholeNumber(c, 0, 99999)) {
                inv.err << "kestrel: --compare takes issue codes separated by commas, not \"" << c << "\"\n";
                return inv.usage();
            }
        if (span.compare.size() > static_cast<std::size_t>(chart::kMaxCompared)) {
            inv.err << "kestrel: --compare takes at most " << chart::kMaxCompared << " issues\n";
            return inv.usage();
        }
    }
    if (span.panes && commaList(*span.panes).size() > static_cast<std::size_t>(chart::kMaxPanes)) {
        inv.err << "kestrel: --panes takes at most " << chart::kMaxPanes << " panes\n";
        return inv.usage();
    }
    if (size) {
        const std::size_t x = size->find('x');
        auto w = x == std::string::npos ? std::nullopt : wholeNumber(size->substr(0, x), 200, 8000);
        auto h = x == std::string::npos ? std::nullopt : wholeNumber(size->substr(x + 1), 160, 8000);
        if (!w || !h) {
            inv.err << "kestrel: --size takes WIDTHxHEIGHT in pixels (200x160 to 8000x8000), not \"" << *size << "\"\n";
            return inv.usage();
        }
        span.width = *w;
        span.height = *h;
    }
    if (bars) {
        // At most every stored bar: a larger number shows them all.
        span.bars = wholeNumber(*bars, chart::kMinViewBars, 999999);
        if (!span.bars) {
            inv.err << "kestrel: --bars takes a whole number of bars from " << chart::kMinViewBars << " on, not \""
                    << *bars << "\"\n";
            return inv.usage();
        }
    }
    if (bars && from) {
        inv.err << "kestrel: give --bars or --from, not both\n";
        return inv.usage();
    }
    if (weekly && span.monthly) {
        inv.err << "kestrel: give --weekly or --monthly, not both\n";
        return inv.usage();
    }
    if (!json && !png) {
        inv.err << "kestrel: --bars, --from and --monthly list the bars of the span as JSON or draw them: add --json "
                   "or --png FILE\n";
        return inv.usage();
    }
    if (from) {
        span.from = inv.parseDate(*from);
        if (!span.from)
            return inv.lastFailure;
    }
    return std::nullopt;
}

#ifdef KESTREL_WITH_PNG
// The image as a PNG file, written atomically; 0, or the failure's exit code.
int writePng(Invocation& inv, const QImage& image, const std::string& path) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return inv.fail("kestrel: the image could not be encoded");
    if (Status w = writeFileAtomically(path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
        !w)
        return inv.fail(w);
    return 0;
}
#endif

// Every bar of the span, from the issue's whole stored history up to the chart date.
// The comparison and panes of a span; a code without stored bars and an unknown pane are left out with a
// message.
chart::SeriesChart spanChart(Invocation& inv, chart::BarSeries series, const SpanOptions& span,
                             const chart::ChartDisplay& display, const chart::TechnicalSettings& settings,
                             std::vector<chart::ComparedIssue> compared) {
    chart::SceneOptions options;
    options.technical = settings;
    options.logScale = span.log;
    options.screenMode = display.ScreenMode;
    const Settings& s = inv.context.settings;
    options.averages.clear();
    if (!display.chartColors[chart::kMa1].isZero())
        for (int n : {static_cast<int>(s.move1), static_cast<int>(s.move2), static_cast<int>(s.move3)})
            if (n > 0)
                options.averages.push_back(n);
    if (s.SaicoL > 0)
        options.psychPeriod = s.SaicoL;
    if (s.RSIVR > 0)
        options.flowPeriod = s.RSIVR;
    chart::chooseItoAverage(options, s.ITORSO, s.move1, s.move2, s.move3);
    if (span.panes) {
        options.panes.clear();
        for (const std::string& name : commaList(*span.panes)) {
            if (auto kind = chart::paneByName(name))
                options.panes.push_back(*kind);
            else
                inv.err << "kestrel: no pane is called \"" << name
                        << "\" (volume, margin, psych, rsi, vr, macd, stoch, rci, dmi, ito): left out\n";
        }
    } else if (!display.volume) {
        options.panes.clear();
    }
    return chart::SeriesChart(std::move(series), std::move(options), std::move(compared));
}

int runSpan(Invocation& inv, db::Database& db, std::int32_t code, const std::string& chartDate, bool weekly,
            const SpanOptions& span, bool json, [[maybe_unused]] const std::optional<std::string>& png,
            const chart::ChartDisplay& display, const chart::TechnicalSettings& settings) {
    const Date to = *Date::parse(chartDate);
    if (span.from && *span.from > to)
        return inv.fail(StatusCode::InvalidInput,
                        "kestrel: --from " + span.from->toIso() + " lies after the chart date " + to.toIso());
    chart::SeriesRequest request;
    request.mode = span.monthly ? chart::BarMode::Monthly : weekly ? chart::BarMode::Weekly : chart::BarMode::Daily;
    request.to = to;
    request.splitAdjust = inv.context.splitAdjust;
    auto series = chart::loadSeries(db, code, request);
    if (!series)
        return inv.fail(series.status());
    chart::SeriesView view;
    if (span.from) {
        // A month is shown whole when the date falls inside it.
        const Date from = span.monthly ? *Date::fromYmd(span.from->year(), span.from->month(), 1) : *span.from;
        view = chart::viewFromDate(*series, from, to);
    } else {
        view = chart::viewLastBars(*series, to, span.bars.value_or(chart::kMaxBars));
    }
    if (view.empty())
        inv.err << chart::kNoBarsMessage << "\n";
    std::vector<std::int32_t> codes;
    for (const std::string& c : span.compare)
        codes.push_back(static_cast<std::int32_t>(std::stoi(c)));
    auto compared = chart::loadCompared(db, codes, request);
    if (!compared)
        return inv.fail(compared.status());
    for (std::int32_t c : compared->missing)
        inv.err << "kestrel: " << c << " has no stored bars up to " << to.toIso() << ": not compared\n";
    const chart::SeriesChart chart =
        spanChart(inv, std::move(*series), span, display, settings, std::move(compared->issues));
    if (json) {
        // The whole history is loaded: every value is the one computed from the issue's first bar.
        const chart::TechnicalValues values = chart::computeAll(chart.series(), settings);
        inv.out << chart::seriesToJson(chart, view, chartDate, &values, &settings);
    }
#ifdef KESTREL_WITH_PNG
    if (png) {
        if (int rc = writePng(inv, services::renderSeriesImage(chart, view, span.width, span.height), *png); rc != 0)
            return rc;
    }
#endif
    return view.empty() ? exitCodeFor(StatusCode::NotFound) : 0;
}

// Which of the window's switches the command line gave.
struct WindowChoices {
    bool lowerPanel = false, overlays = false;
};

#ifdef KESTREL_WITH_PNG
// The PNG of the chart as the main window opens it: the whole stored history up to the chart date, the
// last kDefaultViewBars bars shown with the window's options (Kestrel.ini's display settings, technical
// set and saved layout: overlays, panes with their heights, scale and comparison), the user's lines and, unless left
// out, the ledger's lots.
int windowPng(Invocation& inv, db::Database& db, std::int32_t code, const std::string& chartDate, bool weekly,
              const chart::ChartDisplay& display, const chart::TechnicalView& techView, const WindowChoices& chosen,
              bool ledger, int width, int height, const std::string& path) {
    const AppContext& ctx = inv.context;
    const Date to = *Date::parse(chartDate);
    chart::SeriesRequest request;
    request.mode = weekly ? chart::BarMode::Weekly : chart::BarMode::Daily;
    request.to = to;
    request.splitAdjust = ctx.splitAdjust;
    auto series = chart::loadSeries(db, code, request);
    if (!series)
        return inv.fail(series.status());
    chart::SceneOptions options = chart::windowChartOptions(display, ctx.settings, ctx.chartMode, techView);
    // The window's layout (without a saved one: the lower panel's panes and the technical set's overlays);
    // --lower-panel, --no-volume and --overlay change it as the window's switches do.
    const chart::SeriesLayout derived = chart::derivedWindowLayout(
        display.lowerPanelMode, display.volume, ctx.chartMode, ctx.settings.ALLITORSO == 2, techView);
    chart::SeriesLayout saved;
    if (Status l = chart::loadSeriesLayout(ctx.paths.iniPath, chart::kSeriesLayoutSection, saved, derived); !l)
        inv.err << "kestrel: " << l.message() << "\n";
    if (chosen.lowerPanel) {
        saved.panes = derived.panes;
        saved.paneWeights.clear();
    } else if (!display.volume)
        chart::setVolumePane(saved, false);
    if (chosen.overlays)
        saved.overlays = chart::switchOverlays(saved.overlays, techView.overlays, techView.bbBands);
    chart::applyLayout(saved, options);
    auto compared = chart::loadCompared(db, saved.compare, request);
    if (!compared)
        return inv.fail(compared.status());
    chart::ChartOverlay overlay;
    auto lines = chart::listLines(db, code, ctx.chartMode, ctx.splitAdjust);
    if (!lines)
        return inv.fail(lines.status());
    overlay.lines = std::move(*lines);
    overlay.ledgerShown = ledger;
    if (ledger)
        if (Status m = trade::ledgerMarks(db, code, ctx.splitAdjust, overlay); !m)
            return inv.fail(m);
    const chart::SeriesChart chart(std::move(*series), std::move(options), std::move(compared->issues));
    const chart::SeriesView view = chart::viewLastBars(chart.series(), to, chart::kDefaultViewBars);
    QImage image = services::renderSeriesImage(chart, view, width, height);
    {
        QPainter over(&image);
        services::paintPrimitives(
            over, chart::drawSeriesOverlay(chart::overlayGeometry(chart, view, width, height), overlay));
    }
    return writePng(inv, image, path);
}
#endif

int runChart(Invocation& inv) {
    const bool weekly = inv.takeFlag("--weekly");
    const bool json = inv.takeFlag("--json");
    const bool list = inv.takeFlag("--list");
    std::optional<std::string> png = inv.takeOption("--png");
    SpanOptions span;
    if (auto refused = takeSpanOptions(inv, weekly, json, png.has_value(), span))
        return *refused;
    [[maybe_unused]] const bool noLedger = inv.takeFlag("--no-ledger"); // only a drawn chart shows the ledger
    if (inv.takeFlag("--raw"))
        inv.context.splitAdjust = false;
    chart::ChartDisplay display;
    display.curve = inv.takeFlag("--curve");
    display.volume = !inv.takeFlag("--no-volume");
    if (inv.takeFlag("--no-averages"))
        for (int k = chart::kMa1; k <= chart::kMa3; ++k)
            display.chartColors[k] = {};
#ifndef KESTREL_WITH_PNG
    if (png)
        return inv.fail("kestrel: --png is not available: this kestrel was built without Qt Gui");
#endif
    std::optional<std::string> dateText = inv.takeOption("--date");
    [[maybe_unused]] WindowChoices chosen;
    if (auto mode = inv.takeOption("--lower-panel")) {
        chosen.lowerPanel = true;
        const int m = chart::lowerPanelFromText(*mode);
        if (m < 0) {
            inv.err << "kestrel: unknown --lower-panel \"" << *mode
                    << "\": give 0-8 or all, rsi, psych, margin, none, macd, stoch, rci, dmi\n";
            return inv.usage();
        }
        display.lowerPanelMode = m;
    }
    // The technical set as kept in Kestrel.ini; --overlay replaces the overlays switched on there.
    chart::TechnicalView techView;
    if (Status t = chart::loadTechnicalView(inv.context.paths.iniPath, techView); !t)
        inv.err << "kestrel: " << t.message() << "\n";
    if (auto overlays = inv.takeOption("--overlay")) {
        chosen.overlays = true;
        techView.overlays = {};
        std::string bad;
        if (!chart::overlaysFromText(*overlays, techView.overlays, bad)) {
            inv.err << "kestrel: unknown --overlay \"" << bad << "\": give ichimoku, bb, env, hl, sar, vp\n";
            return inv.usage();
        }
        if (!png) {
            inv.err << "kestrel: --overlay draws on the chart: add --png FILE\n";
            return inv.usage();
        }
    }
    if (inv.args.size() != 1)
        return inv.usage();
    auto code = wholeNumber(inv.args[0], 0, 99999);
    if (!code)
        return inv.usage();

    // The four-digit form keeps the year as given: a two-digit one would go through the 1950-2049 rule.
    std::string chartDate = Date::today().toIso();
    if (dateText) {
        auto d = inv.parseDate(*dateText);
        if (!d)
            return inv.lastFailure;
        chartDate = d->toIso();
    }
    AppContext& ctx = inv.context;
    ctx.chartMode = db::chartModeFor(weekly ? db::BarTable::Weekly : db::BarTable::Daily);
    display.chartMode = ctx.chartMode;
    display.ScreenMode = ctx.settings.ScreenMode;
    display.ALLITORSO = ctx.settings.ALLITORSO;

    auto db = inv.openDatabase(db::OpenMode::ReadOnly);
    if (!db)
        return inv.lastFailure;
    // --size alone sizes the window's picture; the other span options choose a view of their own.
    if (span.any && (span.view || !png))
        return runSpan(inv, *db, *code, chartDate, weekly, span, json, png, display, techView.settings);
    chart::ChartData data;
    data.latestDate = Date::today();
    StderrPrompt prompt(inv.err);
    Status st = chart::LoadChartData(*db, ctx, *code, chartDate, data, prompt);
    if (!st)
        return inv.fail(st);
    chart::ChartPicture pic = chart::DrawChart(data, display);
    chart::ChartTechnical tech;
    if (json)
        if (Status t = chart::loadChartTechnical(*db, *code, weekly, ctx.splitAdjust, data, techView.settings, tech);
            !t)
            return inv.fail(t);
    if (json)
        inv.out << chart::chartToJson(data, chartDate, list ? &pic.rows : nullptr, &tech);
    else if (list || !png)
        for (const std::string& row : pic.rows)
            inv.out << row << "\n";
#ifdef KESTREL_WITH_PNG
    if (png)
        if (int rc =
                windowPng(inv, *db, *code, chartDate, weekly, display, techView, chosen,
                          !noLedger && ctx.settings.BaibaiChart != 0, span.sized ? span.width : chart::kMainChartWidth,
                          span.sized ? span.height : chart::kMainChartHeight, *png);
            rc != 0)
            return rc;
#endif
    // Nothing loaded (no bar on or before the date): the empty chart was still written.
    return data.barCount > 0 ? 0 : exitCodeFor(StatusCode::NotFound);
}

const CommandRegistrar
    kChart({"chart",
            "CODE [--date YYYY-MM-DD] [--weekly|--monthly] [--bars N|--from YYYY-MM-DD] [--json] [--list] "
            "[--png FILE [--size WxH]] [--log] [--compare CODE[,CODE...]] [--panes NAME[,NAME...]] "
            "[--overlay ichimoku,bb,env,hl,sar,vp] [--lower-panel 0-8|NAME] [--curve] [--no-volume] "
            "[--no-averages] [--raw] [--no-ledger]",
            "load the chart of one issue ending at the date (default today); print its values "
            "(--json), its price list (--list, the default) or render it (--png: the last 110 bars as the window "
            "opens them, at 668x357 or --size); --raw shows bars as "
            "traded, without split adjustment; the PNG carries the user's lines and the ledger's lots "
            "(--no-ledger leaves the lots out) and the technical overlays (--overlay; the lower panel by number "
            "or name: all, rsi, psych, margin, none, macd, stoch, rci, dmi); the JSON carries the technical "
            "values of each bar under \"ind\"; --bars N (20 or more), --from DATE and --monthly list every "
            "bar of that span up to the date as JSON (daily, weekly or monthly bars, \"forming\": true on a "
            "month still forming); with --png they draw that span at --size (default 1280x800); --log, --compare "
            "(up to 3 issues, in percent from the first bar shown, \"compare\" in the JSON) and --panes (up to 4 "
            "of volume, margin, psych, rsi, vr, macd, stoch, rci, dmi, ito (伊藤ﾚｼｵ)) choose the view",
            runChart, true, true});

} // namespace
} // namespace kestrel::cli
