#include "core/db/Maintenance.h"

#include "core/db/DataDeletion.h"

#include <vector>

namespace kestrel::db {
namespace {

Status inTransaction(Database& db, const std::vector<std::string>& statements) {
    Transaction tx(db);
    if (!tx.began())
        return tx.began();
    for (const std::string& sql : statements)
        if (Status st = db.exec(sql); !st)
            return st;
    return tx.commit();
}

} // namespace

Status clearWorkList(Database& db) {
    return db.exec("delete from wrkMei");
}

Status listCodesWithoutIssue(Database& db, BarTable barTable) {
    return inTransaction(db,
                         {"delete from wrkMei",
                          "insert into wrkMei(コード) select コード from " + std::string(barTableName(barTable)) +
                              " b where コード is not null and not exists (select 1 from Mei m where m.コード=b.コード)"
                              " group by コード order by コード"});
}

Status listIssuesWithoutBars(Database& db, BarTable barTable) {
    return inTransaction(db,
                         {"delete from wrkMei",
                          "insert or ignore into wrkMei(コード) select コード from Mei m where コード is not null and "
                          "not exists (select 1 from " +
                              std::string(barTableName(barTable)) + " b where b.コード=m.コード) order by m.rowid"});
}

Status deleteIssueData(Database& db, std::int32_t code) {
    Transaction tx(db);
    if (!tx.began())
        return tx.began();
    if (Status st = DeleteFromAllTables(db, "where コード=?", {code}); !st)
        return st;
    if (Status st = db.run("delete from wrkMei where コード=?", code); !st)
        return st;
    return tx.commit();
}

Status deleteIssueRegistration(Database& db, std::int32_t code) {
    Transaction tx(db);
    if (!tx.began())
        return tx.began();
    if (Status st = db.run("delete from Mei where コード=?", code); !st)
        return st;
    if (Status st = db.run("delete from wrkMei where コード=?", code); !st)
        return st;
    return tx.commit();
}

Result<int> deleteNotUpdatedIssues(Database& db) {
    Transaction tx(db);
    if (!tx.began())
        return tx.began();
    std::vector<std::int64_t> codes;
    {
        auto st = db.prepare(std::string("select コード from Mei ") + kNotUpdatedIssues);
        if (!st)
            return st.status();
        Status read = st->forEachRow([&] {
            if (!st->isNull(0))
                codes.push_back(st->int64(0));
        });
        if (!read)
            return read;
    }
    for (std::int64_t code : codes)
        if (Status st = DeleteFromAllTables(db, "where コード=?", {code}); !st)
            return st;
    if (Status st = tx.commit(); !st)
        return st;
    return static_cast<int>(codes.size());
}

} // namespace kestrel::db
