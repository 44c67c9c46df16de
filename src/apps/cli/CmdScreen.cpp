// kestrel screen: the issues whose chart satisfies a condition as of a day, or what the condition would
// have found over a period with each match's close some trading days later.
#include "Command.h"
#include "core/app/Files.h"
#include "core/chart/TechnicalIni.h"
#include "core/scan/ScreenRun.h"

#include <cstdio>
#include <ostream>

namespace kestrel::cli {
namespace {

int runScreenCommand(Invocation& inv) {
    const bool weekly = inv.takeFlag("--weekly");
    const bool monthly = inv.takeFlag("--monthly");
    if (weekly && monthly)
        return inv.usage();
    const chart::BarMode mode = monthly  ? chart::BarMode::Monthly
                                : weekly ? chart::BarMode::Weekly
                                         : chart::BarMode::Daily;
    const bool json = inv.takeFlag("--json");
    if (inv.takeFlag("--raw"))
        inv.context.splitAdjust = false;
    auto dateText = inv.takeOption("--date");
    auto fromText = inv.takeOption("--from");
    auto toText = inv.takeOption("--to");
    auto holdText = inv.takeOption("--hold");
    auto csv = inv.takeOption("--csv");
    auto saveAs = inv.takeOption("--save");
    auto savedName = inv.takeOption("--name");
    const std::string screensPath = inv.context.paths.programFolder + "/Screens.ini";

    // Screens saved when deviations were tenths of a percent are converted once, with a word.
    std::vector<std::string> converted;
    auto saved = scan::loadScreens(screensPath, &converted);
    if (!saved)
        return inv.fail(saved);
    if (!converted.empty())
        inv.err << scan::screensConvertedNotice(converted) << "\n";
    std::string condition;
    if (savedName) {
        if (!inv.args.empty())
            return inv.usage();
        for (const auto& [n, c] : *saved)
            if (n == *savedName)
                condition = c;
        if (condition.empty()) {
            inv.err << "スクリーニング「" << *savedName << "」は保存されていません。\n";
            return 4;
        }
    } else {
        if (inv.args.size() != 1)
            return inv.usage();
        condition = inv.args[0];
    }
    auto screen = scan::Screen::parse(condition);
    if (!screen) {
        inv.err << screen.message() << "\n";
        return 2;
    }
    if (saveAs) {
        if (Status st = scan::saveScreen(screensPath, *saveAs, condition); !st)
            return inv.fail(st);
        inv.err << "スクリーニング「" << *saveAs << "」を保存しました。\n";
    }

    const bool held = fromText || toText || holdText;
    if (held && (!fromText || !toText || !holdText || dateText || json))
        return inv.usage();
    if (!held && csv)
        return inv.usage();
    int hold = 0;
    if (holdText) {
        if (holdText->empty() || holdText->size() > 4 ||
            holdText->find_first_not_of("0123456789") != std::string::npos || std::stoi(*holdText) < 1) {
            inv.err << "--hold には 1 以上の営業日数を指定してください。\n";
            return 2;
        }
        hold = std::stoi(*holdText);
    }
    std::optional<Date> date, from, to;
    if (dateText && !(date = inv.parseDate(*dateText)))
        return 2;
    if (fromText && !(from = inv.parseDate(*fromText)))
        return 2;
    if (toText && !(to = inv.parseDate(*toText)))
        return 2;
    if (from && to && *to < *from) {
        inv.err << "--to は --from 以降の日付にしてください。\n";
        return 2;
    }

    auto db = inv.openDatabase(db::OpenMode::ReadOnly);
    if (!db)
        return 1;
    scan::ScanOptions options;
    options.mode = mode;
    options.splitAdjust = inv.context.splitAdjust;
    options.settings = chart::IndicatorSettings::from(inv.context.settings);
    // The technical periods the chart uses, so a screen's values equal the chart's.
    chart::TechnicalView technical;
    if (Status t = chart::loadTechnicalView(inv.context.paths.iniPath, technical); !t)
        inv.err << "kestrel: " << t.message() << "\n";
    options.technical = technical.settings;
    auto fault = [&](std::int32_t code, const Status& st) {
        inv.err << "コード " << code << " のチャートを読めないため除きました: " << st.message() << "\n";
    };

    if (held) {
        auto result = scan::runHeld(*db, options, *screen, *from, *to, hold, fault);
        if (!result)
            return inv.fail(result);
        const scan::HoldSummary& s = *result;
        inv.out << scan::heldSummaryText(s, hold);
        if (csv) {
            if (Status st = writeFileAtomically(*csv, scan::heldToCsv(s)); !st)
                return inv.fail(st);
        } else {
            inv.out << scan::heldToCsv(s);
        }
        return 0;
    }

    // The day: the latest stored trading day on or before the date given (default: the latest stored).
    auto day = scan::screenDay(*db, mode, date);
    if (!day)
        return inv.fail(day);
    if (!*day) {
        inv.err << "基準日からの表示するデーターがありません。\n";
        return 4;
    }
    auto rows = scan::runScreen(*db, options, *screen, **day, fault);
    if (!rows)
        return inv.fail(rows);
    if (json) {
        inv.out << scan::screenToJson(**day, mode, *rows);
        return 0;
    }
    inv.out << (*day)->toIso() << (monthly ? " 月足" : weekly ? " 週足" : " 日足") << "  該当 " << rows->size() << "\n";
    for (const scan::ScreenMatch& m : *rows) {
        auto whole = [&](int f) {
            const auto& v = m.values[static_cast<size_t>(f)];
            return v ? (v->isWhole() ? std::to_string(v->raw() / Currency::kScale) : std::to_string(v->toDouble()))
                     : std::string("-");
        };
        inv.out << m.code << "\t" << m.name << "\t終値 " << whole(4) << "\t前日比 " << whole(6) << "\t出来高 "
                << whole(7);
        for (const auto& [name, value] : m.technical) {
            char text[48];
            std::snprintf(text, sizeof text, "%.2f", value);
            inv.out << "\t" << name.label() << " " << text;
        }
        inv.out << "\n";
    }
    return 0;
}

const CommandRegistrar
    kScreen({"screen",
             "EXPR|--name NAME [--date YYYY-MM-DD] [--weekly|--monthly] [--json] [--raw] [--save NAME] | "
             "EXPR --from A --to B --hold N [--csv FILE]",
             "the issues whose chart satisfies EXPR (e.g. 'rsi <= 30 and ito > 0', 'ma1[1] <= ma2[1] and "
             "ma1 > ma2') as of the latest stored day on or before the date (default the latest); with "
             "--from/--to/--hold, every trading day of the period and each match's close N trading days later; "
             "--raw screens bars as traded; dev1..dev3 are percent with one decimal (dev1 < -5 is below "
             "-5 %), as in --json and the chart; Japanese names (終値, 出来高, 乖離1 ...) and full-width digits "
             "also read; saved screens live in Screens.ini",
             runScreenCommand});

} // namespace
} // namespace kestrel::cli
