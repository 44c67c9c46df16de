#include "core/app/Currency.h"
#include "core/app/Date.h"
#include "core/settings/Settings.h"
#include "core/settings/Shared.h"

#include <gtest/gtest.h>
#include <vector>

using namespace kestrel;

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
    struct {
        double in;
        double out;
    } cases[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {0.5, 0}, {1.5, 2}, {2.4999, 2}, {2.5001, 3}};
    for (auto c : cases)
        EXPECT_EQ(roundHalfEven(c.in), c.out) << c.in;
    EXPECT_EQ(divRoundHalfEven(25, 10), 2);
    EXPECT_EQ(divRoundHalfEven(35, 10), 4);
    EXPECT_EQ(divRoundHalfEven(-25, 10), -2);
    EXPECT_EQ(divRoundHalfEven(-35, 10), -4);
    EXPECT_EQ(divRoundHalfEven(26, -10), -3);
    EXPECT_EQ(divRoundHalfEven(1, 3), 0);
    EXPECT_EQ(divRoundHalfEven(2, 3), 1);
}

TEST(CurrencyValue, ParsesAndPrintsExactlyToFourDecimals) {
    EXPECT_EQ(Currency::parse("1234.5")->raw(), 12345000);
    EXPECT_EQ(Currency::parse(" -0.0001 ")->raw(), -1);
    EXPECT_EQ(Currency::parse("0.00005")->raw(), 0);  // half to even: 0
    EXPECT_EQ(Currency::parse("0.00015")->raw(), 2);  // half to even: 2
    EXPECT_EQ(Currency::parse("0.000051")->raw(), 1); // above half
    EXPECT_EQ(Currency::parse("922337203685477.5807")->raw(), INT64_MAX);
    EXPECT_FALSE(Currency::parse("922337203685478"));
    for (const char* bad : {"", "abc", "1.2.3", "--1", ".", "1e5", "12a"})
        EXPECT_FALSE(Currency::parse(bad)) << bad;
    EXPECT_EQ(Currency::parse("12.3400")->toString(), "12.34");
    EXPECT_EQ(Currency::fromWhole(-7).toString(), "-7");
    EXPECT_EQ(Currency::parse("-0.5")->toString(), "-0.5");
    EXPECT_EQ(Currency::parse("2.5")->roundToWhole(), 2);
    EXPECT_EQ(Currency::parse("3.5")->roundToWhole(), 4);
    EXPECT_EQ((Currency::parse("12.34")->operator*(1000)).toString(), "12340");
    EXPECT_EQ(Currency::fromWhole(1).dividedBy(3).toString(), "0.3333");
}

TEST(Dates, CalendarWeekdaysAndTwoDigitYears) {
    Date d = *Date::fromYmd(2026, 12, 6); // a Sunday
    EXPECT_EQ(d.weekday(), 1);
    EXPECT_EQ(d.ymd(), 20261206);
    EXPECT_EQ(d.toYYMMDD(), "26/12/06");
    EXPECT_EQ(Date::fromYmd(1899, 12, 30)->serial(), 0);
    EXPECT_EQ(Date::fromYmd(2000, 1, 1)->serial(), 36526);
    EXPECT_FALSE(Date::fromYmd(2026, 2, 29));
    EXPECT_TRUE(Date::fromYmd(2024, 2, 29));
    EXPECT_FALSE(Date::fromYmdInt(20261332));

    EXPECT_EQ(Date::parse("49/01/02")->year(), 2049);
    EXPECT_EQ(Date::parse("50/01/02")->year(), 1950);
    EXPECT_EQ(Date::parse("00/1/2")->ymd(), 20000102);
    EXPECT_EQ(Date::parse("2026-12-06")->ymd(), 20261206);
    EXPECT_EQ(Date::parse("2026/12/06")->ymd(), 20261206);
    for (const char* bad : {"", "26/13/01", "26/02/30", "2026-12", "abc", "26/12/06/1", "126/12/06", "26-1x-01"})
        EXPECT_FALSE(Date::parse(bad)) << bad;
}

TEST(Dates, WeekBoundaries) {
    Date fri = *Date::fromYmd(2026, 12, 4), sat = fri.addDays(1), sun = fri.addDays(2), mon = fri.addDays(3);
    EXPECT_EQ(PrevFriday(fri), fri);
    EXPECT_EQ(PrevFriday(sat), fri);
    EXPECT_EQ(PrevFriday(mon), fri);
    EXPECT_EQ(NextMonday(sun), mon);
    EXPECT_EQ(NextMonday(mon), mon);
    EXPECT_EQ(PrevMonday(fri), fri.addDays(-4));
    EXPECT_EQ(NextFriday(sat), fri.addDays(7));
    EXPECT_EQ(weekdayName(fri), "金");
}

TEST(TextToNumber, FollowsTheRuntimeConversions) {
    EXPECT_EQ(*textToInt16(" 12 "), 12);
    EXPECT_EQ(*textToInt16("12.5"), 12);
    EXPECT_EQ(*textToInt16("13.5"), 14);
    EXPECT_EQ(*textToInt16("1,000"), 1000);
    EXPECT_EQ(*textToInt16("-3"), -3);
    EXPECT_EQ(textToInt16("").message(), kTypeMismatch);
    EXPECT_EQ(textToInt16("abc").message(), kTypeMismatch);
    EXPECT_EQ(textToInt16("40000").message(), kOverflow);
    EXPECT_FLOAT_EQ(*textToSingle("0.5"), 0.5f);
    EXPECT_EQ(textToCurrency("4.25")->toString(), "4.25");
    EXPECT_EQ(numberText(0.5), "0.5");
    EXPECT_EQ(numberText(60), "60");
}

TEST(SharedProcedures, NullToValueAndDateAutoSlash) {
    EXPECT_EQ(NullToValue(std::nullopt), 0);
    EXPECT_EQ(NullToValue(std::optional<double>(2.5)), 2);
    EXPECT_EQ(NullToValue(std::optional<double>(3.5)), 4);
    EXPECT_EQ(NullToValue("12.5"), 12);
    EXPECT_EQ(NullToValue("x"), 0);
    EXPECT_EQ(NullToValue(std::optional<double>(1e12)), 0);
    EXPECT_EQ(nullToValueText(std::nullopt), "");
    EXPECT_EQ(nullToValueText(std::string("a")), "a");

    auto e = DateAutoSlash("26", false);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->text, "26/");
    EXPECT_EQ(e->caret, 3);
    e = DateAutoSlash("26/12", false);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->text, "26/12/");
    EXPECT_EQ(e->caret, 6);
    EXPECT_FALSE(DateAutoSlash("26/12", true)); // deleting back to five characters adds nothing
    EXPECT_FALSE(DateAutoSlash("26", true));
    EXPECT_FALSE(DateAutoSlash("2", false));
    EXPECT_FALSE(DateAutoSlash("26/1", false));
    EXPECT_TRUE(DateKeyDown(8));
    EXPECT_FALSE(DateKeyDown(48));
}

TEST(DateEntry, EveryFormADateBoxAccepts) {
    const struct {
        const char* typed;
        long long ymd; // 0: refused
    } cases[] = {
        {"2025/02/06", 20250206},
        {"25/02/06", 20250206},
        {"250206", 20250206},
        {"20250206", 20250206},
        {"2025/2/6", 20250206},
        {" 2025/02/06 ", 20250206},
        {"２０２５／０２／０６", 20250206}, // typed with the IME on
        {"２５０２０６", 20250206},
        {"　250206　", 20250206},
        {"20/25/0206", 20250206}, // eight digits the box slashed as it would six
        {"2025-02-06", 20250206},
        {"991231", 19991231},
        {"500101", 19500101},
        {"491231", 20491231},
        {"000229", 20000229},
        {"2024/02/29", 20240229},
        {"2025/02/29", 0},
        {"250230", 0},
        {"251306", 0},
        {"2502", 0},
        {"2502061", 0},
        {"25/02/", 0},
        {"", 0},
        {"20x50206", 0},
        {"2025/02/06/01", 0},
    };
    for (const auto& c : cases) {
        const auto d = Date::parseEntry(c.typed);
        EXPECT_EQ(d ? d->ymd() : 0, c.ymd) << "\"" << c.typed << "\"";
    }
    EXPECT_EQ(Date::fromYmd(2025, 2, 6)->toSlashed(), "2025/02/06");
    EXPECT_EQ(Date::fromYmd(1999, 12, 31)->toSlashed(), "1999/12/31");
}

TEST(DateEntry, EveryFormTypesAsShown) {
    // Key by key, as the box sees its text after each key: the text after the box's own change.
    const struct {
        const char* what;
        std::vector<const char*> keys;
        const char* shown;
    } cases[] = {
        {"a four-digit year", {"2", "0", "2", "5", "/", "0", "2", "/", "0", "6"}, "2025/02/06"},
        {"a two-digit year with slashes", {"2", "5", "/", "0", "2", "/", "0", "6"}, "25/02/06"},
        {"slashes typed, a year that reads as one", {"2", "0", "/", "1", "2", "/", "0", "6"}, "20/12/06"},
        {"six digits", {"2", "5", "0", "2", "0", "6"}, "25/02/06"},
        {"a year 2012, slashes after it", {"2", "0", "1", "2", "/", "0", "3", "/", "0", "4"}, "2012/03/04"},
    };
    for (const auto& c : cases) {
        std::string text;
        bool slashesTyped = false;
        for (const char* key : c.keys) {
            text += key;
            if (auto e = DateAutoSlash(text, false, slashesTyped)) {
                EXPECT_EQ(e->caret, static_cast<int>(e->text.size())) << c.what << " at " << text;
                text = e->text;
                // The box sets the text again: the change event runs once more and leaves it.
                EXPECT_FALSE(DateAutoSlash(text, false, slashesTyped)) << c.what << " at " << text;
            }
        }
        EXPECT_EQ(text, c.shown) << c.what;
        EXPECT_TRUE(Date::parseEntry(text)) << c.what;
    }
    // Backspace adds nothing; two characters start a new date.
    bool slashesTyped = true;
    EXPECT_FALSE(DateAutoSlash("25/02", true, slashesTyped));
    EXPECT_FALSE(DateAutoSlash("2", false, slashesTyped));
    EXPECT_FALSE(slashesTyped);
}
