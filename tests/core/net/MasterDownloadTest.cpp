// The issue-master download into the data folder, and the proposed dates of the read screens.
#include "core/net/MasterDownload.h"

#include "core/app/Files.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::net;

namespace {

Fetcher answering(FetchResult::Outcome outcome, std::string bytes, std::vector<std::string>* urls = nullptr) {
    return [=](const std::string& url) {
        if (urls)
            urls->push_back(url);
        FetchResult r;
        r.outcome = outcome;
        r.httpStatus = outcome == FetchResult::Outcome::HttpError ? 404 : 200;
        r.body = bytes;
        r.error = "Connection closed";
        return r;
    };
}

} // namespace

TEST(MasterDownload, OnlyAWholeDatedAnswerReplacesTheFile) {
    using O = FetchResult::Outcome;
    const std::string good = "20001204,2\r\n1301,1,\x8B\xC9\x97\x6D,1000,1\r\n"; // 極洋 in code page 932
    struct Case {
        const char* what;
        O outcome;
        std::string bytes;
        bool written;
        std::string note;
    };
    const Case cases[] = {
        {"a dated file", O::Body, good, true, ""},
        {"an answer that is no issue master", O::Body, "<html>maintenance</html>", false,
         "日付で始まるファイルではありません: http://h/kabu/kabumei/Regist.mei"},
        {"an empty body", O::Body, "", false, "空のファイルです: http://h/kabu/kabumei/Regist.mei"},
        {"a 404 page", O::HttpError, "20001204 not found", false,
         "サーバーの応答 404: http://h/kabu/kabumei/Regist.mei"},
        {"a transfer cut short", O::Failed, good.substr(0, 20), false,
         "接続できませんでした (Connection closed): http://h/kabu/kabumei/Regist.mei"},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        test::writeFile(dir.file("REGIST.MEI"), "19991231,0\r\n");
        std::vector<std::string> urls;
        MasterDownload r = downloadIssueMasterFile(answering(c.outcome, c.bytes, &urls), "h/kabu", dir.path());
        EXPECT_EQ(urls, std::vector<std::string>{"http://h/kabu/kabumei/Regist.mei"});
        EXPECT_EQ(r.written, c.written) << c.what;
        EXPECT_EQ(r.note, c.note) << c.what;
        EXPECT_EQ(r.path, dir.file("REGIST.MEI")) << "an existing file in another letter case is the one replaced";
        EXPECT_EQ(test::readFile(dir.file("REGIST.MEI")), c.written ? good : "19991231,0\r\n") << c.what;
    }
    test::TempDir fresh;
    MasterDownload r = downloadIssueMasterFile(answering(O::Body, good), "h/kabu/", fresh.path());
    EXPECT_TRUE(r.written);
    EXPECT_EQ(test::readFile(fresh.file("Regist.Mei")), good);
}

TEST(MasterDownload, NextDataDate) {
    struct Case {
        long long latest, next;
    };
    const Case cases[] = {
        {20000714, 20000717}, // Friday -> Monday
        {20000715, 20000717}, // Saturday -> Monday
        {20000716, 20000717}, // Sunday -> Monday
        {20000712, 20000713}, // Wednesday -> Thursday
        {20001229, 20010101}, // Friday at the year's end
    };
    for (const Case& c : cases)
        EXPECT_EQ(nextDataDate(*Date::fromYmdInt(c.latest)).ymd(), c.next) << c.latest;
}

TEST(MasterDownload, LatestStoredDate) {
    test::KestrelDb t;
    auto& db = t.db;
    EXPECT_FALSE(latestStoredDate(*db, "weekdata")->has_value());
    ASSERT_TRUE(db->exec("INSERT INTO weekData (コード, 日付) VALUES (1301, 20000707), (1301, 20000714)").isOk());
    EXPECT_EQ((*latestStoredDate(*db, "WeekData"))->ymd(), 20000714);
    EXPECT_FALSE(latestStoredDate(*db, "Mei; drop table Mei").isOk());
}
