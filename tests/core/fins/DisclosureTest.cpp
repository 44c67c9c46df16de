#include "core/fins/Disclosure.h"

#include "core/db/Schema.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::fins;
using F = DisclosureField;

namespace {
struct Kessan : ::testing::Test, test::KestrelDb {};

const char* kPage = R"({"data": [
 {"DiscDate": "2024-05-10", "DiscTime": "15:00:00", "Code": "72030", "DiscNo": "20240510400001",
  "DocType": "FYFinancialStatements_Consolidated_IFRS", "CurPerType": "FY", "CurFYEn": "2024-03-31",
  "NxtFYEn": "2025-03-31", "Sales": "45095325000000", "OdP": "", "EPS": "365.94", "BPS": "abc",
  "NxFEPS": "-", "NxFNp": "3570000000000", "EqAR": 0.5, "NewKey2026": "x"},
 {"DiscDate": "2024-05-10", "Code": "7203", "DiscNo": "20240510400002"},
 {"DiscDate": "2024-05-10", "Code": "130A0", "DiscNo": "20240510400003"},
 {"DiscDate": "2024-05-10", "Code": "25935", "DiscNo": "20240510400004"},
 {"DiscDate": "", "Code": "13010", "DiscNo": "20240510400005"}],
 "pagination_key": "k.1"})";

} // namespace

TEST(Disclosure, FiguresAreNumbersUndecidedOrNothing) {
    const struct {
        const char* text;
        FigureKind kind;
        const char* kept;
    } cases[] = {
        {"", FigureKind::None, ""},           {"-", FigureKind::Undecided, ""},       {"abc", FigureKind::None, ""},
        {"12.5", FigureKind::Number, "12.5"}, {"-0.61", FigureKind::Number, "-0.61"}, {"+3", FigureKind::Number, "3"},
        {"1.2.3", FigureKind::None, ""},      {"１２", FigureKind::None, ""},         {"1e", FigureKind::None, ""},
        {"--1", FigureKind::None, ""},        {" 1", FigureKind::None, ""},           {"－", FigureKind::None, ""},
    };
    for (const auto& c : cases) {
        Figure f = figureOf(c.text);
        EXPECT_EQ(f.kind, c.kind) << c.text;
        EXPECT_EQ(f.text, c.kept) << c.text;
    }
}

TEST(Disclosure, APageKeepsOurCodesAndSaysWhatItLeftOut) {
    auto page = parseDisclosures({kPage}, "2024-05-10 の決算情報");
    ASSERT_TRUE(page) << page.message();
    ASSERT_EQ(page->rows.size(), 1u);
    const Disclosure& d = page->rows[0];
    EXPECT_EQ(d.code, 7203);
    EXPECT_EQ(d[F::Sales].text, "45095325000000");
    EXPECT_EQ(d[F::OdP].kind, FigureKind::None);
    EXPECT_EQ(d[F::BPS].kind, FigureKind::None);
    EXPECT_EQ(d[F::NxFEPS].kind, FigureKind::Undecided);
    EXPECT_EQ(d[F::EqAR].kind, FigureKind::None); // not a string
    EXPECT_EQ(d.nxtFYEn, Date::parse("2025-03-31"));
    EXPECT_EQ(page->skipped, 2); // 130A0 and the preferred share 25935
    ASSERT_EQ(page->problems.size(), 2u);
    EXPECT_EQ(page->problems[0],
              "2024-05-10 の決算情報: 銘柄コード「7203」は 5 文字ではないため除きました（開示番号 20240510400002）");
    EXPECT_FALSE(parseDisclosures({"[1]"}, "x"));
    EXPECT_FALSE(parseDisclosures({"<html>"}, "x"));
}

TEST_F(Kessan, ARefetchReplacesItsRowOnlyAndKeepsTheExactText) {
    auto page = parseDisclosures({kPage}, "p");
    ASSERT_TRUE(page);
    Disclosure other = page->rows[0];
    other.discNo = "20240510400009";
    other[F::EPS] = figureOf("12.345678901234567");
    ASSERT_EQ(storeDisclosures(*db, {page->rows[0], other}, "2024-05-11 09:00:00").value(), 2);
    EXPECT_EQ(rows("SELECT DiscNo, コード, Sales, OdP, NxFEPS, EPS, DiscDate FROM Kessan ORDER BY DiscNo"),
              "20240510400001|7203|45095325000000|NULL|-|365.94|20240510\n"
              "20240510400009|7203|45095325000000|NULL|-|12.345678901234567|20240510\n");
    Disclosure again = page->rows[0];
    again[F::EPS] = figureOf("366");
    ASSERT_EQ(storeDisclosures(*db, {again}, "2024-05-12 09:00:00").value(), 1);
    EXPECT_EQ(rows("SELECT DiscNo, EPS, 取得日時 FROM Kessan ORDER BY DiscNo"),
              "20240510400001|366|2024-05-12 09:00:00\n20240510400009|12.345678901234567|2024-05-11 09:00:00\n");
    auto loaded = loadDisclosures(*db, 7203);
    ASSERT_TRUE(loaded);
    ASSERT_EQ(loaded->size(), 2u);
    EXPECT_EQ((*loaded)[0][F::EPS].value, 366);
    EXPECT_EQ((*loaded)[1][F::NxFEPS].kind, FigureKind::Undecided);
    EXPECT_EQ((*loaded)[1][F::OdP].kind, FigureKind::None);
}

// A file of version 4 gains Kessan when opened for writing; read-only it has no figures and no error.
TEST_F(Kessan, AVersion4FileGainsTheTable) {
    ASSERT_TRUE(db->exec("DROP TABLE Kessan; PRAGMA user_version = 4"));
    db.reset();
    {
        auto reader = db::openKestrelDatabase(path, db::OpenMode::ReadOnly);
        ASSERT_TRUE(reader) << reader.message();
        EXPECT_TRUE(loadDisclosures(**reader, 7203).value().empty());
    }
    auto writer = db::openKestrelDatabase(path);
    ASSERT_TRUE(writer) << writer.message();
    EXPECT_EQ(*(*writer)->queryInt("PRAGMA user_version"), 5);
    auto page = parseDisclosures({kPage}, "p");
    ASSERT_TRUE(page);
    EXPECT_EQ(storeDisclosures(**writer, page->rows, "2024-05-11 09:00:00").value(), 1);
    // An empty figure is no value (NULL), never an empty text.
    EXPECT_FALSE((*writer)->run("UPDATE Kessan SET EPS = ''"));
}

// A reader of the market sees each issue's rows in disclosure order, and a row stored since its last
// read: the table is read again when it changed.
TEST_F(Kessan, TheMarketReadFollowsTheTable) {
    auto page = parseDisclosures({kPage}, "p");
    ASSERT_TRUE(page);
    Disclosure later = page->rows[0];
    later.discNo = "20240510400010";
    later.discTime = "16:00:00";
    Disclosure earlier = page->rows[0];
    earlier.discNo = "20240510400011";
    earlier.discTime = "14:00:00";
    earlier[F::EPS] = figureOf("300");
    ASSERT_TRUE(storeDisclosures(*db, {later, earlier}, "2024-05-11 09:00:00"));
    FieldSet eps;
    eps.set(static_cast<size_t>(F::EPS));
    auto read = [&](Date before) {
        std::string seen;
        EXPECT_TRUE(forEachIssueDisclosures(*db, before, eps, [&](int code, std::span<const Disclosure> rows) {
            for (const Disclosure& r : rows)
                seen += std::to_string(code) + ":" + r.discNo + "=" + std::to_string(int(r[F::EPS].value)) + " ";
        }));
        return seen;
    };
    EXPECT_EQ(read(*Date::parse("2024-05-11")), "7203:20240510400011=300 7203:20240510400010=365 ");
    EXPECT_EQ(read(*Date::parse("2024-05-10")), "");
    later[F::EPS] = figureOf("400");
    ASSERT_TRUE(storeDisclosures(*db, {later}, "2024-05-12 09:00:00"));
    EXPECT_EQ(read(*Date::parse("2024-05-11")), "7203:20240510400011=300 7203:20240510400010=400 ");
}
