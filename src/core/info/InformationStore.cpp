#include "core/info/InformationStore.h"

#include "core/app/Encoding.h"

namespace kestrel::info {

Result<bool> storeKinds(db::Database& db, const KindsFile& file) {
    db::Transaction tx(db);
    if (!tx.began())
        return tx.began();
    if (Status s = db.run("delete from wrkinformationClass ;"); !s)
        return s;
    auto insert = db.prepare("INSERT INTO wrkinformationClass (種類コード, 種類名, 表示順) VALUES (?, ?, ?)");
    if (!insert)
        return insert.status();
    for (const KindLine& k : file.kinds) {
        insert->reset();
        insert->bindAll(k.code, utf8Left(k.name, kKindNameLength), k.order);
        if (Status s = insert->run(); !s)
            return Status::error(k.code + ": " + s.message());
    }
    if (!file.declared || *file.declared != static_cast<int>(file.kinds.size()))
        return false; // rolled back: a file with lines missing changes nothing
    Status merged = db.run("INSERT INTO informationClass (種類コード, 種類名, 表示順) "
                           "SELECT 種類コード, 種類名, 表示順 FROM wrkinformationClass WHERE true "
                           "ON CONFLICT (種類コード) DO UPDATE SET 種類名 = excluded.種類名, 表示順 = excluded.表示順");
    if (!merged)
        return merged;
    if (Status s = tx.commit(); !s)
        return s;
    return true;
}

Status storeList(db::Database& db, const std::string& kindCode, Date loopDate, const ListFile& file) {
    db::Transaction tx(db);
    if (!tx.began())
        return tx.began();
    const char* kDelete = "delete from informationData where 種類コード = ? and 日付 = ? ;";
    if (Status s = db.run(kDelete, kindCode, loopDate); !s)
        return s;
    if (file.date != loopDate)
        if (Status s = db.run(kDelete, kindCode, file.date); !s)
            return s;
    auto insert = db.prepare("INSERT INTO informationData (種類コード, 日付, 順位, コード, 株価, 出来高, 前日比, 値, "
                             "コメント, Top種類コード) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    if (!insert)
        return insert.status();
    const std::string comment = utf8Left(file.title, kCommentLength);
    const std::string top = utf8Left(kindCode, 1);
    for (const ListRow& r : file.rows) {
        insert->reset();
        insert->bindAll(kindCode, file.date, r.rank, r.code, r.price, r.volume, r.change,
                        utf8Left(r.value, kValueLength), comment, top);
        if (Status s = insert->run(); !s)
            return Status::error("順位 " + std::to_string(r.rank) + ": " + s.message());
    }
    return tx.commit();
}

Result<int> kindCount(db::Database& db) {
    auto n = db.queryInt("SELECT Count(*) FROM informationClass ;");
    if (!n)
        return n.status();
    return static_cast<int>(n->value_or(0));
}

} // namespace kestrel::info
