// kestrel delete / change-code / compact / backup / restore: the deletion window and the backup window
// without windows, with the same questions (answered by --yes) and the same messages.
#include "Command.h"
#include "core/app/Files.h"
#include "core/db/DataDeletion.h"
#include "core/db/FileCare.h"

#include <ostream>

namespace kestrel::cli {
namespace {

int exitFor(db::ActionResult r) {
    return r == db::ActionResult::Done ? 0 : 1;
}

int runDelete(Invocation& inv) {
    bool weekly = inv.takeFlag("--weekly");
    db::DeletionTarget target{inv.context.paths.databasePath, static_cast<std::int16_t>(weekly ? 2 : 1)};
    const auto& a = inv.args;
    if (a.empty())
        return inv.usage();
    const std::string& what = a[0];
    if (what == "all" && a.size() == 1)
        return exitFor(db::deleteAllData(target.databasePath, inv.prompt));
    if (what == "range" && a.size() == 3)
        return exitFor(db::deleteDateRange(target, a[1], a[2], inv.prompt));
    if (what == "info-before" && a.size() == 2)
        return exitFor(db::deleteInformationBefore(target, a[1], inv.prompt));
    if (what == "issue" && a.size() == 2)
        return exitFor(db::deleteIssue(target, a[1], inv.prompt));
    if (what == "issue-before" && a.size() == 3)
        return exitFor(db::deleteIssueBefore(target, a[1], a[2], inv.prompt));
    return inv.usage();
}

int runChangeCode(Invocation& inv) {
    if (inv.args.size() != 3)
        return inv.usage();
    db::DeletionTarget target{inv.context.paths.databasePath, 1};
    return exitFor(db::changeIssueCode(target, inv.args[0], inv.args[1], std::nullopt, inv.args[2], inv.prompt));
}

// The question the main window asks when it closes.
constexpr const char* kCompactQuestion = "ご使用ありがとうございました。\n\n"
                                         "時間がかかりますが株価データーを最適化とバックアップを行います。\n\n"
                                         "最適化するなら　はい　そのまま終了なら　いいえ";

int runCompact(Invocation& inv) {
    if (!inv.args.empty())
        return inv.usage();
    if (!inv.prompt.askYesNo(kCompactQuestion, "ﾌｪﾝﾈﾙ"))
        return 1;
    inv.out << "最適化＆バックアップ処理中．．．\n";
    inv.out.flush();
    Status st = db::compactDatabase(inv.context.paths.databasePath);
    if (!st) {
        inv.prompt.notify(st.message());
        return 1;
    }
    return 0;
}

int runBackup(Invocation& inv) {
    if (inv.args.size() != 1)
        return inv.usage();
    if (inv.args[0].empty()) {
        inv.prompt.notify("ﾊﾞｯｸｱｯﾌﾟﾊﾟｽを入力して下さい。");
        return 1;
    }
    if (!inv.prompt.askYesNo("株価データーのﾊﾞｯｸｱｯﾌﾟを行います よろしいですか？", "ﾌｪﾝﾈﾙ"))
        return 1;
    Status st = db::backupDatabase(inv.context.paths.databasePath, db::backupFilePath(inv.args[0]));
    if (!st) {
        inv.prompt.notify(st.message());
        return 1;
    }
    inv.prompt.notify("ﾊﾞｯｸｱｯﾌﾟ終了しました。");
    return 0;
}

int runRestore(Invocation& inv) {
    bool fromOld = inv.takeFlag("--old");
    const std::string& dbPath = inv.context.paths.databasePath;
    std::string source;
    if (fromOld) {
        if (!inv.args.empty())
            return inv.usage();
        source = db::oldCopyPath(dbPath);
        if (!fileExists(source)) {
            inv.prompt.notify("ﾊﾞｯｸｱｯﾌﾟﾃﾞｰﾀｰがありません。");
            return 1;
        }
        if (!inv.prompt.askYesNo("株価データーのﾊﾞｯｸｱｯﾌﾟから復元します　現在のデーターはなくなります　よろしいですか？",
                                 "ﾌｪﾝﾈﾙ"))
            return 1;
    } else {
        if (inv.args.size() != 1)
            return inv.usage();
        if (inv.args[0].empty()) {
            inv.prompt.notify("ﾊﾞｯｸｱｯﾌﾟﾊﾟｽを入力して下さい。");
            return 1;
        }
        source = db::backupFilePath(inv.args[0]);
        if (!inv.prompt.askYesNo("株価データーのﾊﾞｯｸｱｯﾌﾟからの復元を行います よろしいですか？　"
                                 "現在のデーターは入れ替わってしまいます。",
                                 "ﾌｪﾝﾈﾙ"))
            return 1;
    }
    Status st = db::restoreDatabase(source, dbPath);
    if (!st) {
        inv.prompt.notify(st.message());
        return 1;
    }
    inv.prompt.notify("復元終了しました。");
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
const CommandRegistrar kRestore({"restore", "DIR | --old",
                                 "replace Kestrel.mdb with the backup in DIR, or with Kestrel.old", runRestore});

} // namespace
} // namespace kestrel::cli
