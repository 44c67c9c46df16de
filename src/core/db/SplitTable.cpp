#include "core/db/SplitTable.h"

namespace kestrel::db {

Result<bool> proposeSplit(Database& db, const SplitEvent& e) {
    if (Status st = db.run("INSERT OR IGNORE INTO Bunkatu (コード, 日付, 分割前, 分割後, 出所, 状態) "
                           "VALUES (?, ?, ?, ?, ?, 0)",
                           e.code, e.date, e.before, e.after, static_cast<std::int16_t>(e.source));
        !st)
        return st;
    return db.changes() > 0;
}

} // namespace kestrel::db
