#include "core/db/Schema.h"

#include <cstdio>
#include <unistd.h>

namespace kestrel::db {
namespace {

FieldDef L(const char* n) {
    return {n, FieldType::Long};
}
FieldDef I(const char* n) {
    return {n, FieldType::Integer};
}
FieldDef C(const char* n) {
    return {n, FieldType::Currency};
}
FieldDef D(const char* n) {
    return {n, FieldType::Date};
}
FieldDef B(const char* n) {
    return {n, FieldType::YesNo};
}
FieldDef T(const char* n, int size, bool zeroLength) {
    return {n, FieldType::Text, size, zeroLength};
}

FieldDef since(FieldDef f, int version) {
    f.sinceVersion = version;
    return f;
}

std::vector<FieldDef> barFields() {
    return {L("コード"), D("日付"),   L("始値"),   L("高値"),      L("安値"),
            L("終値"),   L("前日比"), C("出来高"), L("基準前日比")};
}

IndexDef primary(std::vector<IndexField> f) {
    return {"Primary", std::move(f), true, false};
}
IndexDef plain(const char* name, std::vector<IndexField> f) {
    return {name, std::move(f), false, false};
}

std::vector<TableDef> buildTables() {
    std::vector<TableDef> t;
    t.push_back({"dayData", barFields(), {primary({{"コード"}, {"日付"}}), plain("日付", {{"日付"}})}});
    auto week = barFields();
    week.push_back(L("売残"));
    week.push_back(L("買残"));
    t.push_back({"weekData", week, {primary({{"コード"}, {"日付"}}), plain("日付", {{"日付"}})}});
    t.push_back({"shinyo",
                 {L("コード"), D("日付"), L("売残"), L("買残"), L("単位")},
                 {primary({{"コード"}, {"日付"}}), plain("日付", {{"日付", true}})}});
    t.push_back({"wrkData", barFields(), {primary({{"コード"}, {"日付"}}), plain("日付", {{"日付", true}})}});
    t.push_back({"wrkReadFile", {D("日付"), T("ファイル名", 20, true), B("ReadFlg")}, {primary({{"日付"}})}});
    t.push_back({"wrkMei", {L("コード")}, {primary({{"コード"}})}});
    t.push_back({"Mei",
                 {L("コード"), I("市場コード"), T("銘柄", 20, true), L("出来高単位"), L("株価単位"), B("更新Flg")},
                 {primary({{"コード"}}), {"市場コード", {{"市場コード"}, {"コード"}}, false, true}}});
    t.push_back({"Shijyo", {L("コード"), T("市場", 20, true), T("略称", 10, true)}, {primary({{"コード"}})}});
    t.push_back({"board",
                 {I("区分"), L("コード"), I("市場コード"), T("銘柄", 20, true), D("日付"), L("始値"), L("高値"),
                  L("安値"), L("終値"), L("前日比"), C("出来高"), L("現在値"), L("現前日比"), C("現出来高"),
                  since(D("現在日付"), 4), since(T("現在時刻", 5, true), 4), since(L("上限警報"), 4),
                  since(L("下限警報"), 4), since(T("取得状態", 200, true), 4)},
                 {primary({{"区分"}, {"コード"}})}});
    std::vector<FieldDef> kinds = {T("種類コード", 3, false), T("種類名", 40, true), I("表示順")};
    t.push_back({"informationClass", kinds, {primary({{"種類コード"}})}});
    t.push_back({"wrkinformationClass", kinds, {primary({{"種類コード"}})}});
    t.push_back({"informationData",
                 {T("種類コード", 3, false), D("日付"), I("順位"), L("コード"), L("株価"), C("出来高"), L("前日比"),
                  T("値", 10, true), L("現株価"), C("現比"), T("コメント", 10, true), T("Top種類コード", 3, false)},
                 {primary({{"種類コード"}, {"日付"}, {"順位"}}), plain("日付", {{"日付", true}}),
                  plain("Top種類コード", {{"Top種類コード"}}), plain("種類コード", {{"種類コード"}})}});
    t.push_back({"stockmarket",
                 {{"ID", FieldType::AutoLong},
                  L("コード"),
                  I("市場コード"),
                  T("銘柄", 20, true),
                  T("購入日", 8, true),
                  L("購入額"),
                  L("購入数"),
                  L("損益分岐点"),
                  L("現在額"),
                  T("売却日", 8, true),
                  L("売却額"),
                  L("売却数"),
                  L("利益"),
                  {"目標株価", FieldType::Long, 0, false, 4}},
                 {primary({{"ID"}})}});
    // Split events of an issue: from 日付 on (the first trading day at the new price) one share before
    // is 分割後/分割前 shares after. 出所: 1 entered, 2 detected, 3 from the exchange's data. 状態: 0
    // proposed, 1 confirmed, 2 dismissed (kept so that the same proposal is not made again).
    // 種類: 0 (or empty, in a file of version 3) a split or reverse split, 1 a rights-issue adjustment
    // whose 分割前/分割後 hold the exchange's factor exactly (0.9747 as 9747/10000).
    FieldDef kind = I("種類");
    kind.sinceVersion = 4;
    t.push_back({"Bunkatu",
                 {L("コード"), D("日付"), L("分割前"), L("分割後"), I("出所"), I("状態"), kind},
                 {primary({{"コード"}, {"日付"}})},
                 3});
    // The exchange's market calendar: 休日区分 0 closed, 1 open, 2 half day, 3 trading on a closed day.
    t.push_back({"Calendar", {D("日付"), I("休日区分")}, {primary({{"日付"}})}, 4});
    // The user's own lines on the chart of an issue in one bar mode (足: 1 daily, 2 weekly). 種類: 1 a
    // trend line through (日付1, 株価1) and (日付2, 株価2), 2 a horizontal line at 株価1 drawn on 日付1.
    // Each price is stored as traded on its anchor date, like the bars: a reader adjusts it with the
    // confirmed split events after that date, so confirming or removing an event moves the line with
    // its bars.
    t.push_back(
        {"Hikisen",
         {{"ID", FieldType::AutoLong}, L("コード"), I("足"), I("種類"), D("日付1"), C("株価1"), D("日付2"), C("株価2")},
         {primary({{"ID"}}), plain("コード", {{"コード"}})},
         4});
    // The company disclosures of the exchange's summaries, one row a disclosure keyed by its number (an
    // issue often has several the same day). Every figure is the decimal text as given (exact yen), "-"
    // when the company called it undecided, NULL when it gave none; see core/fins/Disclosure.h.
    std::vector<FieldDef> fins = {T("DiscNo", 24, false),
                                  L("コード"),
                                  T("Code", 5, false),
                                  D("DiscDate"),
                                  T("DiscTime", 8, true),
                                  T("DocType", 120, true),
                                  T("CurPerType", 8, true),
                                  D("CurPerSt"),
                                  D("CurPerEn"),
                                  D("CurFYSt"),
                                  D("CurFYEn"),
                                  D("NxtFYSt"),
                                  D("NxtFYEn")};
    for (const char* name : kDisclosureFigureNames)
        fins.push_back(T(name, 40, false));
    fins.push_back(T("取得日時", 19, false));
    t.push_back({"Kessan", fins, {primary({{"DiscNo"}}), plain("コード", {{"コード"}, {"DiscDate"}})}, 5});
    return t;
}

std::string quoted(const std::string& name) {
    return "\"" + name + "\"";
}

std::string columnDdl(const FieldDef& f) {
    std::string q = quoted(f.name);
    std::string c = "CONSTRAINT " + quoted(f.name) + " CHECK (";
    switch (f.type) {
    case FieldType::Long:
        // "INT", not "INTEGER": a one-field key must not become the rowid, so rows keep the order they were added.
        return q + " INT " + c + q + " IS NULL OR (typeof(" + q + ")='integer' AND " + q +
               " BETWEEN -2147483648 AND 2147483647))";
    case FieldType::AutoLong:
        return q + " INTEGER PRIMARY KEY AUTOINCREMENT " + c + q + " BETWEEN 1 AND 2147483647)";
    case FieldType::Integer:
        return q + " SMALLINT " + c + q + " IS NULL OR (typeof(" + q + ")='integer' AND " + q +
               " BETWEEN -32768 AND 32767))";
    case FieldType::Currency:
        return q + " NUMERIC " + c + q + " IS NULL OR (typeof(" + q + ") IN ('integer','real') AND " + q +
               " BETWEEN -922337203685477 AND 922337203685477))";
    case FieldType::Date:
        return q + " DATE " + c + q + " IS NULL OR (typeof(" + q + ")='integer' AND " + q +
               " BETWEEN 1000101 AND 99991231))";
    case FieldType::YesNo:
        return q + " BOOLEAN " + c + q + " IS NULL OR " + q + " IN (0,1))";
    case FieldType::Text: {
        std::string rule = q + " IS NULL OR (typeof(" + q + ")='text' AND length(" + q +
                           ") <= " + std::to_string(f.size) + (f.allowZeroLength ? "" : " AND " + q + " <> ''") + ")";
        return q + " TEXT " + c + rule + ")";
    }
    }
    return q;
}

} // namespace

const std::vector<TableDef>& schemaTables() {
    static const std::vector<TableDef> tables = buildTables();
    return tables;
}

const TableDef* findTable(const std::string& name) {
    auto lower = [](std::string s) {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c + 32);
        return s;
    };
    for (const auto& t : schemaTables())
        if (lower(t.name) == lower(name))
            return &t;
    return nullptr;
}

std::vector<std::string> tableDdl(const TableDef& t) {
    std::string sql = "CREATE TABLE " + quoted(t.name) + " (";
    bool autoKey = false;
    const IndexDef* pk = nullptr;
    for (const IndexDef& idx : t.indexes)
        if (idx.primary)
            pk = &idx;
    for (size_t i = 0; i < t.fields.size(); ++i) {
        if (i)
            sql += ", ";
        sql += columnDdl(t.fields[i]);
        autoKey = autoKey || t.fields[i].type == FieldType::AutoLong;
        if (pk)
            for (const IndexField& f : pk->fields)
                if (f.name == t.fields[i].name && t.fields[i].type != FieldType::AutoLong)
                    sql += " NOT NULL";
    }
    std::vector<std::string> out;
    std::vector<std::string> indexes;
    for (const IndexDef& idx : t.indexes) {
        std::string cols;
        for (size_t i = 0; i < idx.fields.size(); ++i) {
            if (i)
                cols += ", ";
            cols += quoted(idx.fields[i].name) + (idx.fields[i].descending ? " DESC" : "");
        }
        if (idx.primary) {
            if (!autoKey)
                sql += ", PRIMARY KEY (" + cols + ")";
            continue;
        }
        indexes.push_back(std::string("CREATE ") + (idx.unique ? "UNIQUE " : "") + "INDEX " +
                          quoted(t.name + "_" + idx.name) + " ON " + quoted(t.name) + " (" + cols + ")");
    }
    // The price tables are clustered on (コード, 日付): an issue's bars sit together on disk. The small
    // tables keep rowid order, so their rows read back in the order they were added.
    bool clustered = t.name == "dayData" || t.name == "weekData" || t.name == "shinyo" || t.name == "wrkData";
    sql += clustered ? ") WITHOUT ROWID" : ")";
    out.push_back(sql);
    out.insert(out.end(), indexes.begin(), indexes.end());
    return out;
}

Status CreateDatabaseFile(const std::string& path) {
    if (::access(path.c_str(), F_OK) == 0)
        return Status::error("ファイル " + path + " はすでに存在します。");
    std::string tmp = path + ".creating";
    std::remove(tmp.c_str());
    std::remove((tmp + "-wal").c_str());
    std::remove((tmp + "-shm").c_str());
    {
        auto db = Database::create(tmp);
        if (!db)
            return db.status();
        Transaction tx(**db);
        if (!tx.began())
            return tx.began();
        for (const TableDef& t : schemaTables()) {
            for (const std::string& ddl : tableDdl(t)) {
                if (Status st = (*db)->exec(ddl); !st)
                    return st;
            }
        }
        static const struct {
            int code;
            const char* name;
            const char* shortName;
        } kMarkets[] = {{1, "東証１部", "東１"}, {2, "東証２部", "東２"}, {4, "大証", "大証"},
                        {5, "名証", "名証"},     {6, "その他", "その他"}, {3, "店頭", "店頭"}};
        for (const auto& m : kMarkets) {
            if (Status st =
                    (*db)->run("INSERT INTO Shijyo (コード, 市場, 略称) VALUES (?, ?, ?)", m.code, m.name, m.shortName);
                !st)
                return st;
        }
        if (Status st = (*db)->exec("PRAGMA user_version = " + std::to_string(kSchemaVersion) +
                                    "; PRAGMA application_id = " + std::to_string(kApplicationId));
            !st)
            return st;
        if (Status st = tx.commit(); !st)
            return st;
        // Leave a single self-contained file behind before the rename.
        // Best effort: a file left in WAL mode still opens.
        (void)(*db)->exec("PRAGMA wal_checkpoint(TRUNCATE); PRAGMA journal_mode=DELETE");
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return Status::error("データベース " + path + " を作成できません。");
    }
    return Status::ok();
}

namespace {

// Brings a file of an older version up to date in one transaction: version 1 to 2 rebuilds the date
// index of dayData on the date alone; later versions add tables, and fields to tables already there.
Status upgradeSchema(Database& db, std::int64_t from) {
    Transaction tx(db);
    if (!tx.began())
        return tx.began();
    if (from < 2)
        if (Status st = db.exec("DROP INDEX IF EXISTS \"dayData_日付\"; CREATE INDEX \"dayData_日付\" ON "
                                "\"dayData\" (\"日付\")");
            !st)
            return st;
    for (const TableDef& t : schemaTables()) {
        auto present = db.queryInt("SELECT count(*) FROM sqlite_master WHERE type='table' AND name=?", t.name);
        if (!present)
            return present.status();
        if (present->value_or(0) > 0) {
            for (const FieldDef& f : t.fields) {
                if (f.sinceVersion <= from)
                    continue;
                auto has = db.queryInt("SELECT count(*) FROM pragma_table_info(?) WHERE name = ?", t.name, f.name);
                if (!has)
                    return has.status();
                if (has->value_or(0) == 0)
                    if (Status st = db.exec("ALTER TABLE " + quoted(t.name) + " ADD COLUMN " + columnDdl(f)); !st)
                        return st;
            }
            continue;
        }
        if (t.sinceVersion <= from)
            continue;
        for (const std::string& ddl : tableDdl(t))
            if (Status st = db.exec(ddl); !st)
                return st;
    }
    if (Status st = db.exec("PRAGMA user_version = " + std::to_string(kSchemaVersion)); !st)
        return st;
    return tx.commit();
}

} // namespace

Result<bool> hasField(Database& db, const std::string& table, const std::string& field) {
    auto n = db.queryInt("SELECT count(*) FROM pragma_table_info(?) WHERE name=?", table, field);
    if (!n)
        return n.status();
    return n->value_or(0) > 0;
}

Result<std::unique_ptr<Database>> openKestrelDatabase(const std::string& path, OpenMode mode) {
    auto db = Database::open(path, mode);
    if (!db)
        return db;
    auto version = (*db)->queryInt("PRAGMA user_version");
    auto tables = (*db)->queryInt("SELECT count(*) FROM sqlite_master WHERE type='table' AND name IN "
                                  "('dayData','weekData','Mei','Shijyo')");
    if (!version)
        return version.status();
    if (!tables)
        return tables.status();
    if (tables->value_or(0) != 4)
        return Result<std::unique_ptr<Database>>::error("ファイル " + path +
                                                        " は株価ケストレルのデータベースではありません。");
    if (version->value_or(0) > kSchemaVersion)
        return Result<std::unique_ptr<Database>>::error("データベース " + path +
                                                        " は新しいバージョンのプログラムで作成されています。");
    if (mode == OpenMode::ReadWrite && version->value_or(0) < kSchemaVersion)
        if (Status st = upgradeSchema(**db, version->value_or(0)); !st)
            return st;
    return db;
}

} // namespace kestrel::db
