// kestrel delete / change-code / compact / backup / restore: the deletion window and the backup window
// without windows, with the same questions (answered by --yes) and the same messages.
#include "Command.h"
#include "core/app/Files.h"
#include "core/db/DataDeletion.h"
#include "core/db/FileCare.h"
#include "core/db/FolderLock.h"
#include "core/db/Recovery.h"
#include "core/db/Schema.h"

#include <ostream>

namespace kestrel::cli {
namespace {

// The exit status of a question answered No.
int declined() {
    return exitCodeFor(StatusCode::Cancelled);
}

int runDelete(Invocation& inv) {
    bool weekly = inv.takeFlag("--weekly");
    db::DeletionTarget target{inv.context.paths.databasePath,
                              db::chartModeFor(weekly ? db::BarTable::Weekly : db::BarTable::Daily)};
    const auto& a = inv.args;
    if (a.empty())
        return inv.usage();
    const std::string& what = a[0];
    OutcomePrompt told(inv);
    if (what == "all" && a.size() == 1)
        return told.finish(db::deleteAllData(target.databasePath, told));
    if (what == "range" && a.size() == 3)
        return told.finish(db::deleteDateRange(target, a[1], a[2], told));
    if (what == "info-before" && a.size() == 2)
        return told.finish(db::deleteInformationBefore(target, a[1], told));
    if (what == "issue" && a.size() == 2)
        return told.finish(db::deleteIssue(target, a[1], told));
    if (what == "issue-before" && a.size() == 3)
        return told.finish(db::deleteIssueBefore(target, a[1], a[2], told));
    return inv.usage();
}

int runChangeCode(Invocation& inv) {
    if (inv.args.size() != 3)
        return inv.usage();
    db::DeletionTarget target{inv.context.paths.databasePath, 1};
    OutcomePrompt told(inv);
    return told.finish(db::changeIssueCode(target, inv.args[0], inv.args[1], std::nullopt, inv.args[2], told));
}

// The question the main window asks when it closes.
constexpr const char* kCompactQuestion = "ご使用ありがとうございました。\n\n"
                                         "時間がかかりますが株価データーを最適化とバックアップを行います。\n\n"
                                         "最適化するなら　はい　そのまま終了なら　いいえ";

int runCompact(Invocation& inv) {
    if (!inv.args.empty())
        return inv.usage();
    if (!inv.prompt.askYesNo(kCompactQuestion, "ﾌｪﾝﾈﾙ"))
        return declined();
    inv.out << "最適化＆バックアップ処理中．．．\n";
    inv.out.flush();
    Status st = db::compactDatabase(inv.context.paths.databasePath);
    return st ? 0 : inv.fail(st);
}

int runBackup(Invocation& inv) {
    if (inv.args.size() != 1)
        return inv.usage();
    if (inv.args[0].empty())
        return inv.fail("ﾊﾞｯｸｱｯﾌﾟﾊﾟｽを入力して下さい。");
    if (!inv.prompt.askYesNo("株価データーのﾊﾞｯｸｱｯﾌﾟを行います よろしいですか？", "ﾌｪﾝﾈﾙ"))
        return declined();
    Status st = db::backupDatabase(inv.context.paths.databasePath, db::backupFilePath(inv.args[0]));
    if (!st)
        return inv.fail(st);
    inv.prompt.notify("ﾊﾞｯｸｱｯﾌﾟ終了しました。");
    return 0;
}

// A new empty database in place of a damaged one, which is kept aside.
int restoreEmpty(Invocation& inv) {
    const std::string& dbPath = inv.context.paths.databasePath;
    db::FileCheck check = db::checkDatabaseFile(dbPath);
    if (check.state == db::FileState::Sound)
        return inv.fail("データベース " + dbPath +
                        " は壊れていません。データを消すには kestrel delete all を使います。");
    if (!check.replaceable() && check.state != db::FileState::Missing)
        return inv.fail(check.message);
    if (!inv.prompt.askYesNo("新しい空のデータベースで始めますか？"))
        return declined();
    auto lock = db::FolderLock::take(inv.context.paths.programFolder, db::LockMode::Exclusive, db::lockWaitMs());
    if (!lock)
        return inv.fail(lock.status());
    std::string aside;
    if (check.state != db::FileState::Missing) {
        auto kept = db::keepAside(dbPath);
        if (!kept)
            return inv.fail(kept.message());
        aside = *kept;
    }
    if (Status st = db::CreateDatabaseFile(dbPath); !st)
        return inv.fail(st.message());
    inv.out << "新しいデータベースを作成しました。\n";
    if (!aside.empty())
        inv.out << "壊れたファイルは " << aside << " に残しました。\n";
    return 0;
}

int runRestore(Invocation& inv) {
    if (inv.takeFlag("--empty"))
        return inv.args.empty() ? restoreEmpty(inv) : inv.usage();
    bool fromOld = inv.takeFlag("--old");
    const std::string& dbPath = inv.context.paths.databasePath;
    std::string source;
    if (fromOld) {
        if (!inv.args.empty())
            return inv.usage();
        source = db::oldCopyPath(dbPath);
        if (!fileExists(source))
            return inv.fail("ﾊﾞｯｸｱｯﾌﾟﾃﾞｰﾀｰがありません。");
        if (!inv.prompt.askYesNo("株価データーのﾊﾞｯｸｱｯﾌﾟから復元します　現在のデーターはなくなります　よろしいですか？",
                                 "ﾌｪﾝﾈﾙ"))
            return declined();
    } else {
        if (inv.args.size() != 1)
            return inv.usage();
        if (inv.args[0].empty())
            return inv.fail("ﾊﾞｯｸｱｯﾌﾟﾊﾟｽを入力して下さい。");
        source = db::backupFilePath(inv.args[0]);
        if (!inv.prompt.askYesNo("株価データーのﾊﾞｯｸｱｯﾌﾟからの復元を行います よろしいですか？　"
                                 "現在のデーターは入れ替わってしまいます。",
                                 "ﾌｪﾝﾈﾙ"))
            return declined();
    }
    std::string aside;
    Status st = db::restoreDatabase(source, dbPath, &aside);
    if (!st)
        return inv.fail(st);
    inv.prompt.notify("復元終了しました。");
    if (!aside.empty())
        inv.out << "壊れたファイルは " << aside << " に残しました。\n";
    return 0;
}

const CommandRegistrar kDelete({"delete",
                                "all | range FROM TO | info-before DATE | issue CODE | issue-before CODE DATE"
                                " [--weekly]",
                                "delete stored data (the bar table of the mode; --weekly for weekly bars)", runDelete});
const CommandRegistrar kChangeCode({"change-code", "OLD NEW NEWMARKET",
                                    "change an issue's code and market in every table", runChangeCode});
const CommandRegistrar kCompact({"compact", "", "compact Kestrel.mdb, keeping the previous file as Kestrel.old",
                                 runCompact});
const CommandRegistrar kBackup({"backup", "DIR", "copy Kestrel.mdb into the folder DIR", runBackup});
const CommandRegistrar kRestore({"restore", "DIR | --old | --empty",
                                 "replace Kestrel.mdb with the backup in DIR, with Kestrel.old, or with a new empty "
                                 "database (a damaged Kestrel.mdb is kept aside under a dated name)",
                                 runRestore, true, false, true});

} // namespace
} // namespace kestrel::cli
