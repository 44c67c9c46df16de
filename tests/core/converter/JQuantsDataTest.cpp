// J-Quants pages into our files: codes, bad pages, the outage row, TOPIX's volume and
// the margin balances that would not fit.
#include "core/converter/JQuantsData.h"

#include "core/app/Encoding.h"
#include "core/converter/JQuantsErrors.h"
#include "core/converter/JQuantsRun.h"
#include "core/converter/JQuantsSettings.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace kestrel;
using namespace kestrel::converter::jquants;

TEST(JQuantsData, CodesAndMarkets) {
    const struct {
        const char* code;
        int expected; // 0: cannot be held
    } codes[] = {{"13010", 1301}, {"00010", 1}, {"13015", 0}, {"130A0", 0}, {"1301", 0}, {"130100", 0}, {"00000", 0}};
    for (const auto& c : codes)
        EXPECT_EQ(localCode(c.code).value_or(0), c.expected) << c.code;

    const struct {
        const char* mkt;
        int market;
    } markets[] = {{"0111", 1}, {"0101", 1}, {"0112", 2}, {"0102", 2}, {"0113", 3},
                   {"0104", 3}, {"0106", 3}, {"0107", 3}, {"0105", 6}, {"0109", 6}};
    for (const auto& m : markets)
        EXPECT_EQ(marketOf(m.mkt), m.market) << m.mkt;
}

TEST(JQuantsData, BadPagesNameTheDateAndKeepNothing) {
    const std::string ok = R"({"Date": "2024-01-05", "Code": "13010", "O": 1, "H": 1, "L": 1, "C": 1, "Vo": 1})";
    const struct {
        std::string body;
        const char* message; // "" when the page reads
        size_t rows;
    } cases[] = {
        {R"({"data": [)" + ok + "]}", "", 1},
        {R"({"data": []})", "", 0}, // a holiday
        {R"({"data": [)" + ok + R"(, {"Date": "2024-01-05", "Code": "130A0", "O": 1}]})", "", 1},
        {R"({"data": [)" + ok + ", ", "JSON として読めません", 0},
        {R"({"message": "x"})", "data がありません", 0},
        {R"({"data": {"Code": "13010"}})", "data がありません", 0},
        {R"({"data": [)" + ok + R"(, {"Date": "2024-01-05", "Code": "72030", "O": "2600"}]})",
         "項目 O が数値ではありません", 0},
        {R"({"data": [{"Date": "2024-01-05", "Code": 72030}]})", "銘柄コードが文字列ではありません", 0},
        {R"({"data": [{"Code": "72030", "O": 1}]})", "日付のない行があります", 0},
        {R"({"data": [{"Date": "2024-13-05", "Code": "72030"}]})", "日付 2024-13-05 が読めません", 0},
        {R"({"data": [17]})", "オブジェクトではありません", 0},
    };
    for (const auto& c : cases) {
        auto got = parseBars({c.body}, "2024-01-05 の株価");
        if (!*c.message) {
            ASSERT_TRUE(got) << c.body << got.message();
            EXPECT_EQ(got->rows.size(), c.rows) << c.body;
        } else {
            ASSERT_FALSE(got) << c.body;
            EXPECT_NE(got.message().find("2024-01-05 の株価"), std::string::npos) << got.message();
            EXPECT_NE(got.message().find(c.message), std::string::npos) << got.message();
        }
    }
    EXPECT_EQ(paginationKey(R"({"data": [], "pagination_key": "abc"})", "x").value(), "abc");
    EXPECT_EQ(paginationKey(R"({"data": []})", "x").value(), "");
    EXPECT_FALSE(paginationKey(R"({"data": [], "pagination_key": 5})", "x"));
}

TEST(JQuantsData, DailyFileCarriesOutageRowsAndGivesTopixAVolume) {
    test::TempDir dir;
    auto bars = parseBars({R"({"data": [
        {"Date": "2020-10-01", "Code": "13010", "O": null, "H": null, "L": null, "C": null, "Vo": null},
        {"Date": "2020-10-01", "Code": "72030", "O": 7000, "H": 7100, "L": 6900, "C": 7050.5, "Vo": 2500000},
        {"Date": "2020-10-01", "Code": "33500", "O": 500, "H": 500, "L": 500, "C": 500, "Vo": 0},
        {"Date": "2020-10-01", "Code": "99990", "O": 1, "H": 1, "L": 1, "C": 1, "Vo": 1}]})"},
                          "d")
                    .value();
    converter::IssueMaster master =
        snapshotMaster(nullptr, {{1301, 1, "極洋"}, {7203, 1, "トヨタ自動車"}, {3350, 3, "例"}});
    TopixRow topix{Date::fromYmd(2020, 10, 1).value(), 1620.9, 1630.2, 1610.7, 1625.1};
    auto written = writeDailyFile(master, topix.date, bars.rows, topix, dir.path()).value();
    EXPECT_EQ(written.records, 4); // 9999 is not in the master
    // 1301 traded nothing: volume 0, prices 0. 3350's volume 0 also zeroes its prices. TOPIX: 2.5 million
    // shares of 東証１部 issues -> 2.5.
    EXPECT_EQ(cp932ToUtf8(test::readFile(written.path)).value(),
              "20201001\r\n4,Kestrel\r\n1301,0,極洋,0,0,0,0,0\r\n7203,0,トヨタ自動車,7000,7100,6900,7050,2500000\r\n"
              "3350,5,例,0,0,0,0,0\r\n1002,0,総合指数,1620,1630,1610,1625,2.5\r\n");

    // A day of index prices but no traded 東証１部 issue still gives TOPIX a volume (1 million shares).
    auto alone = writeDailyFile(master, topix.date, {}, topix, dir.path()).value();
    EXPECT_NE(test::readFile(alone.path).find("1625,1\r\n"), std::string::npos);

    // Regist.Mei: 1002 first, commas out of names, units 1/1.
    EXPECT_EQ(cp932ToUtf8(masterFileBytes(topix.date, {{1301, 1, "極洋,株"}})).value(),
              "20201001,2\r\n1002,1,総合指数,1,1\r\n1301,1,極洋株,1,1\r\n");
    // A balance beyond 32 bits is written in thousands rather than wrapped.
    EXPECT_EQ(marginFileBytes(topix.date, {{1301, topix.date, 50000, 12000}, {7203, topix.date, 3e9, 1234567}}),
              "20201001\r\n2,Kestrel\r\n1301,,,12000,50000,1\r\n7203,,,1235,3000000,1000\r\n");
}

TEST(JQuantsData, MasterOfOneDayBecomesRegistMei) {
    struct OnePage : JQuantsApi {
        std::string body;
        std::string asked;
        Result<std::vector<std::string>> getPages(const std::string& path, const Query& q,
                                                  const std::string&) override {
            asked = path + "?" + q[0].first + "=" + q[0].second;
            return std::vector<std::string>{body};
        }
        bool cancelled() const override { return false; }
    } api;
    test::TempDir dir;
    Date day = Date::fromYmd(2024, 1, 5).value();
    api.body = R"({"data": [{"Code": "72030", "CoName": "トヨタ自動車", "Mkt": "0111"}, {"Code": "130A0"}]})";
    EXPECT_EQ(fetchJQuantsMaster(api, day, dir.path()).value(), 1);
    EXPECT_EQ(api.asked, "/equities/master?date=2024-01-05");
    EXPECT_EQ(cp932ToUtf8(test::readFile(dir.file("Regist.Mei"))).value(),
              "20240105,2\r\n1002,1,総合指数,1,1\r\n7203,1,トヨタ自動車,1,1\r\n");
    api.body = R"({"data": []})"; // nothing listed: the good file stays
    EXPECT_FALSE(fetchJQuantsMaster(api, day, dir.path()));
    EXPECT_TRUE(test::readFile(dir.file("Regist.Mei")).starts_with("20240105,2\r\n"));
}

TEST(JQuantsData, RefusalsReadByTheirMessage) {
    const struct {
        int status;
        const char* body;
        FailureKind kind;
        const char* window; // DateWindow::text(), "" for none
        const char* part;   // in the message
    } cases[] = {
        {403, R"({"message": "The api key is required."})", FailureKind::Key, "",
         "API キーが受け付けられませんでした。"},
        {403, R"({"message": "The incoming api key is invalid or expired."})", FailureKind::Key, "", "期限が切れて"},
        {403, R"({"message": "This API is not available on your subscription"})", FailureKind::Plan, "",
         "ご契約のプランでは /p を使えません"},
        {403, R"({"message": "The requested endpoint does not exist"})", FailureKind::NoEndpoint, "",
         "J-Quants のアドレスの設定を確かめてください。"},
        {400, R"({"message": "Your subscription covers the following dates: 2024-04-14 ~ 2026-04-14."})",
         FailureKind::Window, "2024/04/14～2026/04/14", "期間は 2024/04/14～2026/04/14 です。"},
        {400,
         R"({"message": "Your subscription covers the following dates: 2021-10-03 ~ . If you want more data, please check other plans: https://x/"})",
         FailureKind::Window, "2021/10/03 以降", "2021/10/03 以降"},
        // A window whose end lies before its start is no window.
        {400, R"({"message": "Your subscription covers the following dates: 2024-04-14 ~ 2023-01-01."})",
         FailureKind::Other, "", "（400）"},
        {400, R"({"message": "invalid date"})", FailureKind::Other, "",
         "/p の要求を断りました（400）（invalid date）。"},
        {403, "<html>Forbidden</html>", FailureKind::Other, "", "（403）（応答に説明がありません）"},
        {403, "", FailureKind::Other, "", "（応答に説明がありません）"},
        {403, R"({"message": 5})", FailureKind::Other, "", "（応答に説明がありません）"},
        {502, "Bad Gateway", FailureKind::Other, "", "サーバーが応答しません（502, /p）（応答に説明がありません）。"},
    };
    for (const auto& c : cases) {
        Failure f = describeFailure(c.status, c.body, "2024/01/05 の株価", "/p");
        EXPECT_EQ(f.kind, c.kind) << c.body;
        EXPECT_EQ(f.window ? f.window->text() : "", c.window) << c.body;
        EXPECT_NE(f.message.find(c.part), std::string::npos) << f.message;
        EXPECT_TRUE(f.message.ends_with("。")) << f.message;
        EXPECT_EQ(f.message.find("JQuants"), std::string::npos) << f.message; // no setting's name
        if (f.kind == FailureKind::Key) {
            // A refused key is not about the day or the plan: the message names neither.
            EXPECT_EQ(f.message.rfind("API キーが受け付けられませんでした。", 0), 0u) << f.message;
            EXPECT_EQ(f.message.find("ご契約のプラン"), std::string::npos) << f.message;
        } else {
            EXPECT_EQ(f.message.rfind("2024/01/05 の株価: ", 0), 0u) << f.message;
        }
    }
}

TEST(JQuantsData, PlansKeysAndLongRanges) {
    for (auto [name, plan, pace] :
         {std::tuple{"free", Plan::Free, 5}, std::tuple{"Light", Plan::Light, 60},
          std::tuple{"STANDARD", Plan::Standard, 120}, std::tuple{"Premium", Plan::Premium, 500}}) {
        ASSERT_EQ(parsePlan(name), plan) << name;
        EXPECT_EQ(planPace(plan), pace) << name;
    }
    EXPECT_FALSE(parsePlan("Gold"));
    EXPECT_EQ(keyProblem("abcDEF-123"), "");
    EXPECT_NE(keyProblem("abc\ndef"), "");
    EXPECT_NE(keyProblem("abc\tdef"), "");
    EXPECT_EQ(keyProblem(std::string(512, 'k')), "");
    EXPECT_NE(keyProblem(std::string(513, 'k')), "");
    EXPECT_EQ(keyProblem("secret\x7f").find("secret"), std::string::npos);

    // 2024: 262 weekdays, 52 of them Fridays. Free: 2 masters + 262 days = 264 requests, 53 minutes at 5 a
    // minute; Standard with margin: + TOPIX + 52 Fridays = 317, 3 minutes at 120.
    RunRequest r;
    r.from = *Date::parse("2024-01-01");
    r.to = *Date::parse("2024-12-31");
    r.margin = true;
    EXPECT_EQ(estimateRun(r, 5).requests, 264);
    EXPECT_EQ(estimateRun(r, 5).minutes, 53);
    r.plan = Plan::Standard;
    EXPECT_EQ(estimateRun(r, 120).requests, 317);
    EXPECT_EQ(estimateRun(r, 120).minutes, 3);
}
