#pragma once
// A program folder with a fresh database for the database screens' tests, and a check that the
// process holds no open file of the database.
#include "core/app/AppContext.h"
#include "core/db/Schema.h"
#include "support/TestSupport.h"

#include <QTest>
#include <filesystem>

namespace kestrel::test {

struct DbTestHome {
    TempDir dir;
    AppContext context;
    DbTestHome(std::int16_t chartMode = 1) {
        context.paths = ProgramPaths::forFolder(dir.path());
        context.chartMode = chartMode;
        context.barTable = chartMode == 2 ? "weekdata" : "daydata";
        if (!db::CreateDatabaseFile(context.paths.databasePath))
            qFatal("cannot create the database");
    }
    void exec(const std::string& sql) {
        auto db = db::Database::open(context.paths.databasePath);
        QVERIFY2(db.isOk(), db.message().c_str());
        Status st = (*db)->exec(sql);
        QVERIFY2(st.isOk(), (st.message() + " in " + sql).c_str());
    }
    long long count(const std::string& sql) {
        auto db = db::Database::open(context.paths.databasePath);
        if (!db)
            return -1;
        auto n = (*db)->queryInt(sql);
        return n ? n->value_or(-1) : -1;
    }
    // Files of the database (the file itself, its log) this process has open.
    int openDatabaseFiles() const {
        int n = 0;
        for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code ec;
            auto target = std::filesystem::read_symlink(fd.path(), ec).string();
            if (!ec && target.rfind(context.paths.databasePath, 0) == 0)
                ++n;
        }
        return n;
    }
};

} // namespace kestrel::test
