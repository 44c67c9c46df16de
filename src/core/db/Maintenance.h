#pragma once
// The cross-checks of the maintenance screens between the price data and the issue master, kept in the
// work table wrkMei, and the deletions those screens offer. Each runs in one transaction on a database
// the caller opened for the action; on error nothing changes.
#include "core/app/Status.h"
#include "core/db/BarTable.h"
#include "core/db/Database.h"

#include <cstdint>
#include <string>

namespace kestrel::db {

// The record source of the list of issues that the newest daily price file did not carry.
inline constexpr const char* kNotUpdatedIssues = "where 更新Flg=0 order by コード,市場コード";
// What that list is, shown above it.
inline constexpr const char* kNotUpdatedExplanation =
    "次の銘柄は銘柄一覧にありますが、最後に読み込んだ日々データーに株価がありませんでした。"
    "上場廃止、売買停止、銘柄コードの変更などが考えられます。もう使わない銘柄は、株価データーと一緒に削除できます。";

// Empties wrkMei.
Status clearWorkList(Database& db);
// Fills wrkMei (emptied first) with every code of barTable that Mei lacks,
// in ascending order.
Status listCodesWithoutIssue(Database& db, BarTable barTable);
// Fills wrkMei (emptied first) with every Mei code that has no row in barTable, in Mei's order.
Status listIssuesWithoutBars(Database& db, BarTable barTable);
// Deletes every per-issue row of code (DeleteFromAllTables) and its wrkMei row.
Status deleteIssueData(Database& db, std::int32_t code);
// Deletes the Mei row of code and its wrkMei row; the price data stays.
Status deleteIssueRegistration(Database& db, std::int32_t code);
// DeleteFromAllTables for every issue of the not-updated list; the number of issues deleted.
Result<int> deleteNotUpdatedIssues(Database& db);

} // namespace kestrel::db
