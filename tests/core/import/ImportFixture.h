#pragma once
// A fresh Kestrel.mdb in a temporary folder with a data folder beside it, and helpers to write
// CP932 files and read the written tables back as text for comparison.
#include "core/app/Encoding.h"
#include "core/app/Files.h"
#include "core/db/Schema.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace kestrel::test {

// A day of 2026, the year of the import fixtures.
inline Date day(int month, int d) {
    return *Date::fromYmd(2026, month, d);
}

struct ImportFixture : ::testing::Test, KestrelDb {
    std::string& dbPath = path;
    std::string data = dir.file("Data");

    void SetUp() override { ASSERT_TRUE(makeDir(data)); }
    void reopen() {
        db.reset();
        auto r = db::openKestrelDatabase(dbPath);
        ASSERT_TRUE(r) << r.message();
        db = std::move(*r);
    }
    // Writes UTF-8 text as CP932, each "\n" becoming CR LF.
    void writeText(const std::string& name, const std::string& utf8, const std::string& folder = "") {
        std::string crlf;
        for (char c : utf8) {
            if (c == '\n')
                crlf += '\r';
            crlf += c;
        }
        auto bytes = utf8ToCp932(crlf);
        ASSERT_TRUE(bytes) << name;
        writeFile(joinPath(folder.empty() ? data : folder, name), *bytes);
    }
    // The whole content of the tables an import writes.
    std::string dump() {
        return rows("SELECT * FROM dayData ORDER BY コード, 日付") + "--\n" +
               rows("SELECT * FROM Mei ORDER BY コード") + "--\n" +
               rows("SELECT * FROM weekData ORDER BY コード, 日付") + "--\n" +
               rows("SELECT * FROM shinyo ORDER BY コード, 日付");
    }
    void addMei(int code, int market, const std::string& name, int volumeUnit = 1000, int priceUnit = 1,
                bool flag = true) {
        ASSERT_TRUE(
            db->run("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位, 更新Flg) VALUES (?,?,?,?,?,?)",
                    code, market, name, volumeUnit, priceUnit, flag));
    }
};

} // namespace kestrel::test
