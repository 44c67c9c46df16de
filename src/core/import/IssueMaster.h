#pragma once
// The issue master import: Regist.Mei in the data folder brings Mei up to date (new issues added with
// 更新Flg set, issues whose market or name changed rewritten), and the file is deleted afterwards so one
// download is imported once.
#include "core/app/Progress.h"
#include "core/app/Prompt.h"
#include "core/app/Status.h"
#include "core/db/Database.h"

#include <string>

namespace kestrel::import {

inline constexpr const char* kMasterFileName = "Regist.Mei";
// Written beside Regist.Mei by the J-Quants converter: each issue's market code in the J-Quants master.
// Imported with the master of the same date into JQuantsMarket, and deleted with it.
inline constexpr const char* kMarketCodeFileName = "Regist.Mkt";
inline constexpr const char* kMasterNotFound = "銘柄ファイルが見つかりません。";
inline constexpr const char* kReadFinished = "読み込み終了";

struct MasterImportResult {
    // "読み込み終了" after a run, "銘柄ファイルが見つかりません。" when there was no file; empty when an
    // error ended the run (the error was shown through the prompt).
    std::string message;
    int added = 0;
    int rewritten = 0;
};

// Imports dataFolder/Regist.Mei (name matched without regard to case) into Mei. Errors are shown
// through prompt; the file is then kept and Mei is as it was before the run.
MasterImportResult ImportIssueMaster(db::Database& db, const std::string& dataFolder, Prompt& prompt,
                                     const ProgressFn& progress = {});

} // namespace kestrel::import
