#include "BenchMarket.h"

#include "RealMarket.h"
#include "core/db/Schema.h"
#include "core/db/SplitTable.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace kestrel::bench {

void must(const Status& st) {
    if (!st) {
        std::fprintf(stderr, "bench: %s\n", st.message().c_str());
        std::exit(1);
    }
}

std::vector<Date> weekdays(Date first, int count) {
    std::vector<Date> days;
    for (Date d = first; static_cast<int>(days.size()) < count; d = d.addDays(1))
        if (!d.isWeekend())
            days.push_back(d);
    return days;
}

std::unique_ptr<db::Database> newMarket(const std::string& path) {
    std::remove(path.c_str());
    must(db::CreateDatabaseFile(path));
    auto opened = db::openKestrelDatabase(path);
    must(opened.status());
    must((*opened)->exec("PRAGMA synchronous=OFF"));
    must((*opened)->exec("PRAGMA journal_mode=OFF"));
    return std::move(*opened);
}

void fillDailyBars(db::Database& db, int issues, const std::vector<Date>& days, int volumeUnit) {
    must(db.exec("DROP INDEX \"dayData_日付\""));
    auto st = db.prepare("INSERT INTO dayData VALUES (?,?,?,?,?,?,?,?,?)");
    must(st.status());
    auto mei =
        db.prepare("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (?, 1, 'bench', ?, 1)");
    must(mei.status());
    for (int issue = 0; issue < issues; ++issue) {
        if (issue % 200 == 0)
            must(db.exec(issue ? "COMMIT; BEGIN" : "BEGIN"));
        const int code = 1300 + issue * 2;
        mei->reset();
        mei->bind(1, code).bind(2, volumeUnit);
        must(mei->run());
        const gen::RealIssue is = gen::realIssue(issue, code, days);
        for (const gen::RealBar& b : is.bars) {
            st->reset();
            st->bindAll(code, b.date, b.open, b.high, b.low, b.close, b.change, b.volume / volumeUnit, b.close);
            must(st->run());
        }
    }
    must(db.exec("COMMIT"));
    for (const std::string& ddl : db::tableDdl(*db::findTable("dayData")))
        if (ddl.rfind("CREATE INDEX", 0) == 0)
            must(db.exec(ddl));
}

bool finishMarket(std::unique_ptr<db::Database> db, const std::string& tmp, const std::string& path) {
    must(db->exec("PRAGMA journal_mode=WAL"));
    must(db->exec("PRAGMA wal_checkpoint(TRUNCATE)"));
    db.reset();
    std::remove((tmp + "-wal").c_str());
    std::remove((tmp + "-shm").c_str());
    return std::rename(tmp.c_str(), path.c_str()) == 0;
}

std::vector<Date> longHistoryDays(int days) {
    return weekdays(*Date::fromYmd(2000, 1, 3), days);
}

bool buildLongHistory(const std::string& path, int issues, int days, std::int32_t splitCode,
                      const std::function<void(db::Database&, const std::vector<Date>&)>& more) {
    const std::string tmp = path + ".building";
    auto db = newMarket(tmp);
    const std::vector<Date> all = longHistoryDays(days);
    fillDailyBars(*db, issues, all, 1000);
    must(db::addSplit(*db, splitCode, all[static_cast<std::size_t>(days - 20)], 1, 2).status());
    must(db::addSplit(*db, splitCode, all[static_cast<std::size_t>(days / 2)], 1, 3).status());
    must(db::addSplit(*db, splitCode, all[1000], 10, 1).status());
    if (more)
        more(*db, all);
    return finishMarket(std::move(db), tmp, path);
}

} // namespace kestrel::bench
