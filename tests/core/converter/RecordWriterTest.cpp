#include "core/converter/RecordWriter.h"

#include "ConverterTestSupport.h"
#include "core/app/Encoding.h"
#include "core/app/Files.h"
#include "core/import/DailyFile.h"

using namespace kestrel;
using namespace kestrel::converter;
using kestrel::test::TempDir;

namespace {

IssueMaster loadMaster(const TempDir& dir) {
    auto m = LoadIssueMaster(kestrel::test::makeKestrelWithMei(dir));
    EXPECT_TRUE(m.isOk()) << m.message();
    return m.isOk() ? *m : IssueMaster();
}

} // namespace

TEST(ConverterRecordWriter, MapsUnitsIndicesAndMarkets) {
    TempDir dir;
    IssueMaster master = loadMaster(dir);
    struct Case {
        const char* code;
        double open, high, low, close, volume;
        const char* expected; // "" when the record is dropped
    } cases[] = {
        // 株価単位 10, 出来高単位 1000: the whole part of the price over the unit.
        {"1301", 1234.5, 1240, 1230.9, 1235, 52000, "1301,1,極洋,123.4,124,123,123.5,52"},
        {"\"1301\"", 1234.5, 1240, 1230, 1235, 52500, "1301,1,極洋,123.4,124,123,123.5,52.5"},
        // Index: whole prices, volume in millions of shares cut to two decimals.
        {"1001", 13000.55, 13100.2, 12900.1, 13050.7, 12345678, "1001,0,日経平均,13000,13100,12900,13050,12.34"},
        {"1002", 1500.9, 1501, 1499, 1500, 9999, "1002,0,,1500,1501,1499,1500,0"},
        {"1332", 300, 310, 295, 305, 1500000, "1332,0,日本水産,300,310,295,305,1500"},
        {" 2000 ", 10, 11, 9, 10, 7, "2000,5,店頭銘柄,10,11,9,10,7"},
        // A unit of 0 would divide by zero: the values stay whole units.
        {"3000", 5, 5, 5, 5, 8, "3000,4,単位なし,5,5,5,5,8"},
        {"9999", 1, 1, 1, 1, 1, ""}, // not in the issue master
        {"abc", 1, 1, 1, 1, 1, ""},
        {"12.5", 1, 1, 1, 1, 1, ""},
        {"0", 1, 1, 1, 1, 1, ""},
        {"10000", 1, 1, 1, 1, 1, ""},
    };
    for (const Case& c : cases) {
        WorkingRecord r{Date::fromYmd(2001, 5, 7), c.code, c.open, c.high, c.low, c.close, c.volume};
        auto line = recordLine(master, r);
        EXPECT_EQ(line.value_or(""), c.expected) << c.code;
    }
}

TEST(ConverterRecordWriter, CsvDayBecomesADailyFileTheImportReads) {
    TempDir dir;
    IssueMaster master = loadMaster(dir);
    std::string csv = utf8ToCp932("日付,コード,銘柄,始値,高値,安値,終値,出来高\r\n"
                                  "2001/05/07,1001,日経平均,13000.55,13100.2,12900.1,13050.7,12345678\r\n"
                                  "\"2001/05/07\",\"1301\",極洋,1234.5 , 1240,1230,1235.9,52000,extra\r\n"
                                  "2001/05/07,abc,不正,1,1,1,1,1\r\n"
                                  "2001/05/07,1332,日本水産,x,1,1,1,1\r\n"
                                  "2001/05/07,1332,日本水産,300,310,295\r\n"
                                  "2001/05/07,1332,日本水産,300,3000000000,295,305,1\r\n"
                                  "2001/05/07,1332,日本水産,300,310,295,305,nan\r\n"
                                  "\r\n"
                                  "2001/05/07,9999,未登録,1,1,1,1,1\r\n"
                                  "2001/05/07,1332,日本水産,300,310,295,305,1500000\r\n"
                                  "0906/05/07,1332,日本水産,300,310,295,305,1\r\n"
                                  "09060507,1332,日本水産,300,310,295,305,1")
                          .value();
    kestrel::test::writeFile(dir.file("20010507.csv"), csv);
    std::vector<std::string> log;
    Date day = *Date::fromYmd(2001, 5, 7);
    auto r = ConvertCsvFile(master, dir.file("20010507.csv"), dir.path(), day,
                            [&](const std::string& s) { log.push_back(s); });
    ASSERT_TRUE(r.isOk()) << r.message();
    EXPECT_TRUE(r->converted);
    EXPECT_EQ(r->written, 3);
    // A price "x", a cut-short line, a price beyond 32 bits and a volume that is no finite number: the
    // import would read such cells as 0. A year before 1000 has no eight-digit form for the file's date.
    EXPECT_EQ(r->skipped, 6);
    EXPECT_FALSE(fileExists(dir.file("Temp.csv")));
    std::string bytes = kestrel::test::readFile(dir.file("Ds200105.07"));
    EXPECT_EQ(bytes, utf8ToCp932("20010507\r\n3,Kestrel\r\n"
                                 "1001,0,日経平均,13000,13100,12900,13050,12.34\r\n"
                                 "1301,1,極洋,123.4,124,123,123.5,52\r\n"
                                 "1332,0,日本水産,300,310,295,305,1500\r\n")
                         .value());
    auto parsed = import::parseDailyFile(bytes, "Ds200105.07");
    ASSERT_TRUE(parsed.isOk()) << parsed.message();
    EXPECT_EQ(parsed->date, day);
    ASSERT_EQ(parsed->records.size(), 3u);
    EXPECT_EQ(parsed->records[1].code, 1301);
    EXPECT_EQ(parsed->records[1].open, 123);  // 123.4 rounds to 123 on import
    EXPECT_EQ(parsed->records[1].close, 124); // 123.5 goes to the even 124
    EXPECT_EQ(parsed->records[0].volume, Currency::fromRaw(123400));
    EXPECT_TRUE(log.empty());
}

TEST(ConverterRecordWriter, MissingCsvIsLoggedAndEmptyDayStillWritesAFile) {
    TempDir dir;
    IssueMaster master = loadMaster(dir);
    std::vector<std::string> log;
    auto logFn = [&](const std::string& s) { log.push_back(s); };
    Date day = *Date::fromYmd(2001, 5, 8);
    auto r = ConvertCsvFile(master, dir.file("20010508.csv"), dir.path(), day, logFn);
    ASSERT_TRUE(r.isOk());
    EXPECT_FALSE(r->converted);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], dir.file("20010508.csv") + "が存在しません　変換失敗");
    EXPECT_FALSE(fileExists(dir.file("Ds200105.08")));

    kestrel::test::writeFile(dir.file("20010508.csv"), "header\r\n2001/05/08,9999,x,1,1,1,1,1\r\n");
    r = ConvertCsvFile(master, dir.file("20010508.csv"), dir.path(), day, logFn);
    ASSERT_TRUE(r.isOk());
    std::string bytes = kestrel::test::readFile(dir.file("Ds200105.08"));
    EXPECT_EQ(bytes, "20010508\r\n0,Kestrel\r\n\r\n");
}

TEST(ConverterRecordWriter, EmptyIssueMasterIsRefused) {
    TempDir dir;
    ASSERT_TRUE(db::CreateDatabaseFile(dir.file("Kestrel.mdb")).isOk());
    EXPECT_FALSE(LoadIssueMaster(dir.file("Kestrel.mdb")).isOk());
    EXPECT_FALSE(LoadIssueMaster(dir.file("missing.mdb")).isOk());
}
