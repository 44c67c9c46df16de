// The user's lines and the ledger's lots over a loaded chart, on a real database with a 1:2 split from
// 2024-01-09, against positions worked out by hand.
//
// Adjusted bars: 01-04 500/500/500/500, 01-05 500/510/490/500, 01-09 500/520/480/500, 01-10 500/510/490/500.
// priceTop 530, priceBottom 480, range 50: sP = 512/100, so y(p) = 100 + 5.12 x (530 - p).
#include "core/chart/ChartOverlay.h"

#include "core/chart/SeriesScene.h"
#include "core/chart/UserLines.h"
#include "core/db/DataDeletion.h"
#include "core/db/Schema.h"
#include "core/db/SplitTable.h"
#include "core/trade/LedgerMarks.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::chart;
using test::ymd;

namespace {

Currency W(long long v) {
    return Currency::fromWhole(v);
}

struct Overlay : ::testing::Test, test::KestrelDb {
    AppContext ctx;
    test::ScriptedPrompt prompt;
    ChartData data;

    void SetUp() override {
        exec("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (1301, 1, 'x', 1, 1)");
        exec("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES "
             "(1301, 20240104, 1000, 1000, 1000, 1000, 0, 100), (1301, 20240105, 1000, 1020, 980, 1000, 0, 100), "
             "(1301, 20240109, 500, 520, 480, 500, 0, 100), (1301, 20240110, 500, 510, 490, 500, 0, 100)");
        exec("INSERT INTO weekData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高, 売残, 買残) VALUES "
             "(1301, 20240105, 1000, 1020, 980, 1000, 0, 200, 0, 0), (1301, 20240112, 500, 520, 480, 500, 0, 200, 0, "
             "0)");
        ASSERT_TRUE(db::addSplit(*db, 1301, ymd(2024, 1, 9), 1, 2));
        // Lot 1: 100 shares at 1000 before the split, break-even 1040, target 1050. Lot 2: bought on the
        // split day and sold the next day.
        exec("INSERT INTO stockmarket (コード, 購入日, 購入額, 購入数, 損益分岐点, 売却日, 売却数, 目標株価) VALUES "
             "(1301, '24/01/05', 1000, 100, 1040, '00/00/00', 0, 1050), "
             "(1301, '24/01/09', 500, 100, 520, '24/01/10', 100, NULL)");
        data.latestDate = ymd(2024, 1, 31);
        ctx.settings.move1 = ctx.settings.move2 = ctx.settings.move3 = 2;
        ctx.settings.SaicoL = ctx.settings.RSIVR = 2;
    }
    void load(int chartMode, const char* date) {
        ctx.chartMode = static_cast<std::int16_t>(chartMode);
        std::string d = date;
        ASSERT_TRUE(LoadChartData(*db, ctx, 1301, d, data, prompt));
    }
};

std::vector<std::pair<int, bool>> marks(const ChartOverlay& o) {
    std::vector<std::pair<int, bool>> out;
    for (const TradeMark& t : o.trades)
        out.push_back({t.bar, t.buy});
    return out;
}

bool hasPrimitive(const std::vector<Primitive>& items, Shape shape, int x1, int y1, int x2, int y2) {
    for (const Primitive& p : items)
        if (p.shape == shape && p.x1 == x1 && p.y1 == y1 && p.x2 == x2 && p.y2 == y2)
            return true;
    return false;
}

} // namespace

TEST_F(Overlay, LedgerLevelsAndMarksFollowTheSplitInDailyAndWeeklyMode) {
    struct Case {
        int chartMode;
        std::vector<std::pair<int, bool>> trades; // bar, buy
    } cases[] = {
        {1, {{2, true}, {3, true}, {4, false}}}, // each trade on its day's bar
        {2, {{1, true}, {2, true}, {2, false}}}, // on the week's bar (dated the Friday)
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chartMode);
        load(c.chartMode, "24/01/31");
        ChartOverlay o;
        ASSERT_TRUE(trade::loadChartOverlay(*db, 1301, c.chartMode, data, true, true, o));
        EXPECT_EQ(marks(o), c.trades);
        // Only the unsold lot, held now as 200 shares: break-even 1040 / 2, target 1050 / 2.
        ASSERT_EQ(o.levels.size(), 2u);
        EXPECT_EQ(o.levels[0].price, W(520));
        EXPECT_EQ(o.levels[0].label, "損益分岐 520円");
        EXPECT_EQ(o.levels[1].price, W(525));
        EXPECT_EQ(o.levels[1].label, "目標 525円");
        // y(520) = 151.2 -> 151, y(525) = 125.6 -> 126.
        auto items = drawOverlay(data, o);
        EXPECT_TRUE(hasPrimitive(items, Shape::DottedLine, kPlotLeft, 151, kPlotRight, 151));
        EXPECT_TRUE(hasPrimitive(items, Shape::DottedLine, kPlotLeft, 126, kPlotRight, 126));
        o.ledgerShown = false;
        EXPECT_TRUE(drawOverlay(data, o).empty());
    }
    // As traded (adjustment off): the lot shows as bought.
    ctx.splitAdjust = false;
    load(1, "24/01/31");
    ChartOverlay raw;
    ASSERT_TRUE(trade::loadChartOverlay(*db, 1301, 1, data, false, true, raw));
    ASSERT_EQ(raw.levels.size(), 2u);
    EXPECT_EQ(raw.levels[0].price, W(1040));
    EXPECT_EQ(raw.levels[0].label, "損益分岐 1,040円");
}

TEST_F(Overlay, LedgerMarksByDateForAChartOfAnySpan) {
    // Every purchase and sale with its date (the chart places it), the unsold lot's levels as held now.
    ChartOverlay o;
    ASSERT_TRUE(trade::ledgerMarks(*db, 1301, true, o));
    ASSERT_EQ(o.trades.size(), 3u);
    const std::pair<Date, bool> want[] = {{ymd(2024, 1, 5), true}, {ymd(2024, 1, 9), true}, {ymd(2024, 1, 10), false}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(o.trades[i].date, want[i].first) << i;
        EXPECT_EQ(o.trades[i].buy, want[i].second) << i;
        EXPECT_EQ(o.trades[i].bar, 0) << i;
    }
    ASSERT_EQ(o.levels.size(), 2u);
    EXPECT_EQ(o.levels[0].label, "損益分岐 520円");
    EXPECT_EQ(o.levels[1].label, "目標 525円");
    EXPECT_TRUE(o.levels[1].target);
    EXPECT_EQ(trade::levelOf(1000000, true).label, "目標 1,000,000円");
}

TEST_F(Overlay, LinesKeepTheirBarsAndPricesThroughSplitsReopeningAndCodeChanges) {
    load(1, "24/01/31");
    // Drawn on the adjusted chart: 505 on 01-05 is 1010 as traded.
    ChartLine trend{0, LineKind::Trend, ymd(2024, 1, 10), ymd(2024, 1, 5), W(500), W(505), 0, 0};
    auto id = addLine(*db, 1301, 1, trend, true);
    ASSERT_TRUE(id) << id.message();
    EXPECT_EQ(rows("SELECT 日付1, 株価1, 日付2, 株価2 FROM Hikisen"), "20240105|1010|20240110|500\n");
    ChartLine flat{0, LineKind::Horizontal, ymd(2024, 1, 8), {}, W(515), {}, 0, 0}; // a Monday without a bar
    ASSERT_TRUE(addLine(*db, 1301, 1, flat, true));

    ChartOverlay o;
    ASSERT_TRUE(trade::loadChartOverlay(*db, 1301, 1, data, true, false, o));
    ASSERT_EQ(o.lines.size(), 2u);
    EXPECT_EQ(o.lines[0].price1, W(505));
    EXPECT_EQ(o.lines[0].bar1, 2);
    EXPECT_EQ(o.lines[0].bar2, 4);
    EXPECT_EQ(o.lines[1].bar1, 3); // 01-08 lies nearer 01-09 than 01-05
    // (210, y(505) = 228) to (220, y(500) = 253.6 -> 254); the horizontal line at y(515) = 176.8 -> 177.
    auto items = drawOverlay(data, o);
    EXPECT_TRUE(hasPrimitive(items, Shape::Line, 210, 228, 220, 254));
    EXPECT_TRUE(hasPrimitive(items, Shape::Line, kPlotLeft, 177, kPlotRight, 177));

    // A window ending 01-05: the end on 01-10 lies two stored bars past its last bar.
    load(1, "24/01/05");
    ASSERT_TRUE(trade::loadChartOverlay(*db, 1301, 1, data, true, false, o));
    EXPECT_EQ(o.lines[0].bar2, 4);

    // Removing the split shows the traded price again; reopening the file keeps the lines.
    ASSERT_TRUE(db::removeSplit(*db, 1301, ymd(2024, 1, 9)));
    db.reset();
    auto reopened = db::openKestrelDatabase(path);
    ASSERT_TRUE(reopened);
    db = std::move(*reopened);
    auto lines = listLines(*db, 1301, 1, true);
    ASSERT_TRUE(lines);
    ASSERT_EQ(lines->size(), 2u);
    EXPECT_EQ((*lines)[0].price1, W(1010));
    EXPECT_TRUE(listLines(*db, 1301, 2, true)->empty()); // the weekly chart has its own lines

    ASSERT_TRUE(db::UpdateAllTables(*db, "set コード=? where コード=?", {1302, 1301}));
    EXPECT_EQ(count("SELECT count(*) FROM Hikisen WHERE コード=1302"), 2);
    ASSERT_TRUE(db::DeleteFromAllTables(*db, "where コード=?", {1302}));
    EXPECT_EQ(count("SELECT count(*) FROM Hikisen"), 0);
}

TEST_F(Overlay, BadLinesAreRefusedAndNothingIsStored) {
    struct Case {
        ChartLine line;
        StatusCode code;
    } cases[] = {
        {{0, LineKind::Horizontal, ymd(2024, 1, 5), {}, W(0), {}, 0, 0}, StatusCode::InvalidInput},
        {{0, LineKind::Trend, ymd(2024, 1, 5), ymd(2024, 1, 9), W(500), W(-1), 0, 0}, StatusCode::InvalidInput},
        {{0, LineKind::Trend, ymd(2024, 1, 5), ymd(2024, 1, 5), W(500), W(510), 0, 0}, StatusCode::InvalidInput},
        {{0, static_cast<LineKind>(7), ymd(2024, 1, 5), ymd(2024, 1, 9), W(500), W(510), 0, 0},
         StatusCode::InvalidInput},
    };
    for (const Case& c : cases) {
        auto r = addLine(*db, 1301, 1, c.line, true);
        EXPECT_TRUE(r.status().is(c.code)) << r.message();
    }
    EXPECT_TRUE(removeLine(*db, 1301, 99).is(StatusCode::NotFound));
    ChartLine moved{99, LineKind::Horizontal, ymd(2024, 1, 5), {}, W(500), {}, 0, 0};
    EXPECT_TRUE(moveLine(*db, 1301, moved, true).is(StatusCode::NotFound));
    EXPECT_EQ(count("SELECT count(*) FROM Hikisen"), 0);
}

TEST(OverlayGeometry, SegmentsAreClippedToThePricePanel) {
    struct Case {
        Segment in;
        std::optional<Segment> out;
    } cases[] = {
        {{210, 150, 300, 200}, Segment{210, 150, 300, 200}},
        {{700, 100, 800, 200}, Segment{700, 100, 757, 157}}, // leaves through the right edge
        {{150, 50, 250, 150}, Segment{200, 100, 250, 150}},  // enters at the top-left corner
        {{100, 150, 190, 150}, std::nullopt},                // wholly left of the panel
        {{300, 400, 400, 420}, std::nullopt},                // wholly below
    };
    for (const Case& c : cases) {
        auto s = clipSegment(c.in, kPlotLeft, kPriceTopY, kPlotRight, kPriceBottomY);
        ASSERT_EQ(s.has_value(), c.out.has_value());
        if (s) {
            EXPECT_EQ(std::tie(s->x1, s->y1, s->x2, s->y2), std::tie(c.out->x1, c.out->y1, c.out->x2, c.out->y2));
        }
    }
}

TEST_F(Overlay, TargetsAndAlertsRefuseBadPrices) {
    EXPECT_TRUE(trade::setLotTarget(*db, 1, 0, true).is(StatusCode::InvalidInput));
    EXPECT_TRUE(trade::setLotTarget(*db, 99, 500, true).is(StatusCode::NotFound));
    // 600 for a lot held as 200 shares since the split is 1200 as traded.
    ASSERT_TRUE(trade::setLotTarget(*db, 1, 600, true));
    EXPECT_EQ(rows("SELECT 目標株価 FROM stockmarket WHERE ID=1"), "1200\n");
    ASSERT_TRUE(trade::setLotTarget(*db, 1, std::nullopt, true));
    EXPECT_EQ(rows("SELECT 目標株価 FROM stockmarket WHERE ID=1"), "NULL\n");
}

TEST(OverlaySchema, AnOlderFileGainsTheLineTableAndTheNewFields) {
    test::TempDir dir;
    const std::string path = dir.file("Kestrel.mdb");
    ASSERT_TRUE(db::CreateDatabaseFile(path));
    {
        auto raw = db::Database::open(path);
        ASSERT_TRUE(raw);
        ASSERT_TRUE((*raw)->exec("DROP TABLE Hikisen; ALTER TABLE stockmarket DROP COLUMN 目標株価; "
                                 "ALTER TABLE board DROP COLUMN 上限警報; ALTER TABLE board DROP COLUMN 下限警報; "
                                 "PRAGMA user_version = 3"));
    }
    {
        auto older = db::openKestrelDatabase(path, db::OpenMode::ReadOnly);
        ASSERT_TRUE(older);
        EXPECT_TRUE(listLines(**older, 1301, 1, true)->empty()); // read-only: no table, no lines
    }
    auto db = db::openKestrelDatabase(path);
    ASSERT_TRUE(db) << db.message();
    EXPECT_TRUE(*db::hasField(**db, "stockmarket", "目標株価"));
    EXPECT_TRUE(*db::hasField(**db, "board", "下限警報"));
    EXPECT_EQ(*(*db)->queryInt("PRAGMA user_version"), db::kSchemaVersion);
    EXPECT_TRUE(addLine(**db, 1301, 1, {0, LineKind::Horizontal, ymd(2024, 1, 5), {}, W(500), {}, 0, 0}, false));
}

namespace kestrel::chart {
namespace {

// The 110-bar chart at one pixel a yen (range 256 over 256 rows: row 100 + 1,256 - price): bars 1-80 at
// 1,050 yen, bars 81-110 from 1,150 to 1,200 (rows 156-206). A 96-column label at the right end starts at
// column 757 - 2 - 96 = 659, at the left end at 202.
TEST(OverlayLabels, LevelLabelsClearOfTheBarsAndTheHorizontalLineTag) {
    ChartData d;
    d.barCount = 110;
    d.priceTop = Currency::fromWhole(1256);
    d.priceBottom = Currency::fromWhole(1000);
    for (int i = 0; i < 110; ++i) {
        ChartBar& b = d.bars[static_cast<std::size_t>(i)];
        b.low = Currency::fromWhole(i < 80 ? 1050 : 1150);
        b.high = Currency::fromWhole(i < 80 ? 1050 : 1200);
        b.open = b.close = b.closeCarried = Currency::fromWhole(i < 80 ? 1050 : 1175);
    }
    const struct {
        std::int64_t price;
        int x, y;
    } cases[] = {
        {1140, 659, 218}, // row 216: the bars end three rows above it, so the label goes below
        {1210, 659, 133}, // row 146: the bars lie under it, the label above
        {1175, 202, 168}, // row 181, through the last bars: the left end, clear of the 1,050 bars
        {1255, 659, 100}, // row 101: held inside the panel
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.price);
        ChartOverlay o;
        o.levels = {trade::levelOf(c.price, false)};
        ASSERT_EQ(textWidth(o.levels[0].label), 96);
        bool found = false;
        for (const Primitive& p : drawOverlay(d, o))
            if (p.shape == Shape::Text) {
                EXPECT_EQ(p.x1, c.x);
                EXPECT_EQ(p.y1, c.y);
                found = true;
            }
        EXPECT_TRUE(found);
    }
    // Two levels side by side: the second label does not cover the first.
    ChartOverlay two;
    two.levels = {trade::levelOf(1210, false), trade::levelOf(1212, true)};
    std::vector<std::pair<int, int>> at;
    for (const Primitive& p : drawOverlay(d, two))
        if (p.shape == Shape::Text)
            at.push_back({p.x1, p.y1});
    ASSERT_EQ(at.size(), 2u);
    EXPECT_EQ(at[0], (std::pair{659, 133}));
    // Row 144: above the line at the right it would cover the first label, below it the bars; the left
    // end is clear.
    EXPECT_EQ(at[1], (std::pair{202, 131}));
    // A horizontal line at 1,128 (row 228) carries its price right of the plot.
    const auto tag = lineTag(d, Currency::fromWhole(1128));
    ASSERT_TRUE(tag);
    EXPECT_EQ(tag->text, "1,128");
    EXPECT_EQ(tag->x1, 758);
    EXPECT_EQ(tag->x2, 791);
    EXPECT_EQ(tag->y1, 222);
    EXPECT_EQ(tag->y2, 233);
    EXPECT_FALSE(lineTag(d, Currency::fromWhole(1300)));
}

} // namespace
} // namespace kestrel::chart
