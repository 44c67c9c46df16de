#include "core/import/DailyFile.h"

#include "core/app/Encoding.h"
#include "core/import/TextFile.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::import;

namespace {
// The file bytes in CP932, as the converter writes them.
std::string file(const std::string& records, const std::string& count = "1") {
    return *utf8ToCp932("20260105\r\n" + count + ",Kestrel\r\n" + records);
}
} // namespace

TEST(DailyFile, NamesAndMarketNumbering) {
    EXPECT_EQ(dailyFileName(*Date::fromYmd(2001, 5, 7)), "Ds200105.07");
    EXPECT_EQ(marginFileName(*Date::fromYmd(2001, 5, 11)), "Ys200105.11");
    const int fileToMarket[][2] = {{0, 1}, {1, 2}, {2, 4}, {3, 5}, {4, 6}, {5, 3}, {6, 0}, {-1, 0}};
    for (auto [f, m] : fileToMarket)
        EXPECT_EQ(marketFromFileCode(f), m) << f;
    // The converter's direction: 1 is not 2's inverse on purpose (東証１部 and unknown both write 0).
    const int marketToFile[][2] = {{1, 0}, {2, 1}, {3, 5}, {4, 2}, {5, 3}, {6, 4}, {0, 0}, {7, 0}};
    for (auto [m, f] : marketToFile)
        EXPECT_EQ(fileCodeFromMarket(m), f) << m;
}

TEST(DailyFile, PricesRoundHalvesToEvenAndVolumesKeepFourDecimals) {
    struct {
        const char *price, *volume;
        int expectPrice;
        const char* expectVolume;
    } cases[] = {
        {"123.5", "10", 124, "10"},   {"122.5", "10", 122, "10"}, {"122.51", "1", 123, "1"},
        {"0.5", "1", 0, "1"},         {"1.5", "1", 2, "1"},       {" 99 ", "1234.5678", 99, "1234.5678"},
        {"-2.5", "0.00005", -2, "0"}, {"", "7", 0, "7"},          {"1e3", "1", 1000, "1"},
        {"100", "", 100, "0"},        {"100", " 3 ", 100, "3"},
    };
    for (const auto& c : cases) {
        auto f = parseDailyFile(file(std::string("1301,0,極洋,1,1,1,") + c.price + "," + c.volume + "\r\n"), "Ds");
        ASSERT_TRUE(f) << c.price << " " << f.message();
        ASSERT_EQ(f->records.size(), 1u);
        EXPECT_EQ(f->records[0].close, c.expectPrice) << c.price;
        EXPECT_EQ(f->records[0].volume.toString(), c.expectVolume) << c.volume;
    }
}

TEST(DailyFile, ReadsFieldsTrimsTheNameAndStopsAtTheCount) {
    std::string recs = "1301 , 0 , 極洋　 ,100,110,90,105,5000,ignored,more\r\n"
                       "\r\n"
                       "1001,0,平均株価,1,1,1,1,1523.25\r\n"
                       "1302,2,大証株,1,1,1,1,1\r\n";
    auto f = parseDailyFile(file(recs, "2"), "Ds");
    ASSERT_TRUE(f) << f.message();
    EXPECT_EQ(f->date, *Date::fromYmd(2026, 1, 5));
    ASSERT_EQ(f->records.size(), 2u); // the empty line is not counted; the third record is past the count
    EXPECT_EQ(f->records[0].name, "極洋");
    EXPECT_EQ(f->records[0].open, 100);
    EXPECT_EQ(f->records[0].high, 110);
    EXPECT_EQ(f->records[0].low, 90);
    EXPECT_EQ(f->records[0].volume.toString(), "5000");
    EXPECT_EQ(f->records[1].code, 1001);
    EXPECT_EQ(f->records[1].line, 5);
    EXPECT_EQ(f->records[1].volume.toString(), "1523.25");
}

TEST(DailyFile, RefusesMalformedInputNamingTheLine) {
    const std::string bad932 = "20260105\r\n1,Kestrel\r\n" + std::string("1301,0,\x81", 8) + ",1,1,1,1,1\r\n";
    struct {
        std::string bytes;
        const char* expect; // part of the message
    } cases[] = {
        {"2026010\r\n1,Kestrel\r\n1301,0,a,1,1,1,1,1\r\n", "Ds の 1 行目"},
        {"20260230\r\n1,Kestrel\r\n1301,0,a,1,1,1,1,1\r\n", "Ds の 1 行目"},
        {"20260105\r\n0,Kestrel\r\n1301,0,a,1,1,1,1,1\r\n", "Ds の 2 行目: 件数 0"},
        {"20260105\r\nx,Kestrel\r\n1301,0,a,1,1,1,1,1\r\n", "Ds の 2 行目"},
        {"20260105\r\n100001,Kestrel\r\n1301,0,a,1,1,1,1,1\r\n", "Ds の 2 行目: 件数 \"100001\" が正しくありません"},
        {"20260105", "Ds の 2 行目"},
        {file("1301,0,a,1,1,1,1\r\n"), "Ds の 3 行目: 項目が足りません"},
        {file("abc,0,a,1,1,1,1,1\r\n"), "Ds の 3 行目: 銘柄コード"},
        {file("0,0,a,1,1,1,1,1\r\n"), "銘柄コード \"0\""},
        {file("10000,0,a,1,1,1,1,1\r\n"), "銘柄コード \"10000\""},
        {file(",0,a,1,1,1,1,1\r\n"), "銘柄コード"},
        {file("1301,0,a,1,1,1,1,1"), "Ds の 3 行目: 行の終わり"},
        {file("1301,0,a,1,1,1,1,1\r\n", "2"), "件数 2 に対してデーターが 1 件"},
        {bad932, "シフトJIS"},
    };
    for (const auto& c : cases) {
        auto f = parseDailyFile(c.bytes, "Ds");
        ASSERT_FALSE(f) << c.bytes;
        EXPECT_NE(f.message().find(c.expect), std::string::npos) << f.message();
    }
    // A day on which the converter kept no record reads as an empty day.
    auto empty = parseDailyFile("20260105\r\n0,Kestrel\r\n", "Ds");
    ASSERT_TRUE(empty) << empty.message();
    EXPECT_EQ(empty->count, 0);
    EXPECT_TRUE(empty->records.empty());
    // A cut-off line past the count does no harm.
    EXPECT_TRUE(parseDailyFile(file("1301,0,a,1,1,1,1,1\r\n1302,0,b,1"), "Ds"));
}
