// Page conversion from EUC-JP to code page 932, line-break modes, and the data server's addresses.
#include "core/net/EucToSjis.h"

#include "core/app/Encoding.h"
#include "core/net/ServerFiles.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::net;

TEST(EucToSjis, PairsAndBytesWithoutPartner) {
    struct Case {
        const char* what;
        std::string euc;
        std::string sjis;
    };
    const Case cases[] = {
        {"チャート (odd rows, second byte below and above 0xE0)", "\xA5\xC1\xA5\xE3\xA1\xBC\xA5\xC8",
         "\x83\x60\x83\x83\x81\x5B\x83\x67"},
        {"half-width ｱ", "\x8E\xB1", "\xB1"},
        {"half-width ﾟ, last kana", "\x8E\xDF", "\xDF"},
        {"0x8E before a byte beyond the kana range", std::string("\x8E\xE0", 2), std::string("\x8E\xE0", 2)},
        {"last byte of a pair missing", "a\xA4", "a\xA4"},
        {"lone 0x8E at the end", "\x8E", "\x8E"},
        {"ASCII and a NUL pass through", std::string("A\0z", 3), std::string("A\0z", 3)},
        {"0xFE pair", "\xFE\xFE", "\xEF\xFC"},
        {"0xA0 is no lead byte", "\xA0\xA1", "\xA0\xA1"},
        {"empty", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EucToSjis(c.euc, 3), c.sjis) << c.what;
}

TEST(EucToSjis, LineBreakModes) {
    struct Case {
        std::string in;
        std::string modes[4];
    };
    const Case cases[] = {
        {"a\nb", {"a\nb", "a\rb", "a\nb", "a\r\nb"}},
        {"a\r\nb", {"a\r\nb", "a\rb", "a\nb", "a\r\nb"}},
        {"a\rb", {"a\rb", "a\rb", "a\nb", "a\r\nb"}},
        {"\n\r", {"\n\r", "\r\r", "\n\n", "\r\n\r\n"}},
        {"\r\r\n", {"\r\r\n", "\r\r", "\n\n", "\r\n\r\n"}},
        {"x\r", {"x\r", "x\r", "x\n", "x\r\n"}},
        {"\xA5\xC1\n\x8E\xB1\r\n",
         {"\x83\x60\n\xB1\r\n", "\x83\x60\r\xB1\r", "\x83\x60\n\xB1\n", "\x83\x60\r\n\xB1\r\n"}},
    };
    for (const Case& c : cases) {
        for (int mode = 0; mode < 4; ++mode)
            EXPECT_EQ(EucToSjis(c.in, mode), c.modes[mode]) << mode;
        EXPECT_EQ(EucToSjis(c.in, 7), c.modes[0]) << "an unknown mode leaves line breaks alone";
    }
}

// Every JIS X 0208 pair (rows 1 to 84) that both converters know reads as the same character after
// conversion. Rows 89 to 92 differ by design: code page 932 puts IBM extensions there.
TEST(EucToSjis, AgreesWithTheSystemConvertersOnEveryPair) {
    int compared = 0;
    for (int b1 = 0xA1; b1 <= 0xF4; ++b1)
        for (int b2 = 0xA1; b2 <= 0xFE; ++b2) {
            std::string euc{static_cast<char>(b1), static_cast<char>(b2)};
            auto viaEuc = eucJpToUtf8(euc);
            auto viaSjis = cp932ToUtf8(EucToSjis(euc, 3));
            if (!viaEuc || !viaSjis)
                continue;
            ++compared;
            ASSERT_EQ(*viaSjis, *viaEuc) << std::hex << b1 << " " << b2;
        }
    EXPECT_GT(compared, 6800);
}

TEST(EucToSjis, PageTextArrivesAsUtf8WithCrLf) {
    EXPECT_EQ(pageTextToUtf8("\xA5\xC1\xA5\xE3\xA1\xBC\xA5\xC8\n\x8E\xB1\x8E\xB2 1,234\n"), "チャート\r\nｱｲ 1,234\r\n");
    EXPECT_EQ(pageTextToUtf8(""), "");
}

TEST(ServerFiles, AddressesWithAndWithoutTrailingSlash) {
    EXPECT_EQ(serverUrl("data.example/kabu/", kMasterServerPath), "http://data.example/kabu/kabumei/Regist.mei");
    EXPECT_EQ(serverUrl("data.example/kabu", kMasterServerPath), "http://data.example/kabu/kabumei/Regist.mei");
    EXPECT_EQ(serverUrl("127.0.0.1:8080/kabu/", "jyhodata/20000714.d01"),
              "http://127.0.0.1:8080/kabu/jyhodata/20000714.d01");
    EXPECT_EQ(serverUrl("", kKindsServerPath), "http:///kabumei/infodata");
}

TEST(ServerFiles, LeadingDate) {
    struct Case {
        std::string text;
        long long ymd; // 0: no date
    };
    const Case cases[] = {
        {"00/07/14 20,    値上がり率", 20000714},
        {"99/12/31 5", 19991231},
        {"20001204,3500\r\n", 20001204},
        {"00/7/14 x", 20000714},
        {"00/13/01 1", 0},
        {"20001304", 0},
        {"2000/12/04", 0}, // its first eight characters are "2000/12/"
        {"<html><body>404", 0},
        {"00/07/1", 0},
        {"", 0},
        {"２０００１２０４", 0},
        {"銘柄データ一覧です", 0},
    };
    for (const Case& c : cases) {
        auto d = leadingDate(c.text);
        EXPECT_EQ(d ? d->ymd() : 0, c.ymd) << c.text;
    }
}
