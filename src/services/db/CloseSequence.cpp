#include "services/db/CloseSequence.h"

#include "core/app/Files.h"
#include "core/db/FileCare.h"
#include "core/db/FolderLock.h"
#include "services/db/OpenDatabase.h"

namespace kestrel::services {

QString compactQuestion() {
    return QStringLiteral("ご使用ありがとうございました。\n\n"
                          "時間がかかりますが株価データーを最適化とバックアップを行います。\n\n"
                          "最適化するなら　はい　そのまま終了なら　いいえ");
}

std::string compactPutOffText(const std::string& busyMessage) {
    return "他のプログラムが株価データーを使用中のため、最適化は次の終了時に延期します。\n" + busyMessage;
}

CloseOutcome runCloseSteps(const CloseSteps& steps) {
    for (QTimer* t : steps.timers)
        if (t)
            t->stop();
    Prompt& prompt = *steps.prompt;

    if (steps.dialUp.isConnected && steps.dialUp.isConnected() &&
        prompt.askYesNo("ﾀﾞｲﾔﾙｱｯﾌﾟを切断します　よろしいですか？", "ﾀﾞｲﾔﾙｱｯﾌﾟ") && steps.dialUp.hangUp)
        steps.dialUp.hangUp();

    // The database must still open; a missing one is no reason to stop the closing.
    if (fileExists(steps.databasePath))
        (void)openDatabaseOrTell(steps.databasePath, prompt);

    if (!prompt.askYesNo(compactQuestion().toStdString(), "ﾌｪﾝﾈﾙ"))
        return CloseOutcome::Closed;

    // Another program with the data open (a command, the converter) puts the compaction off.
    auto alone = db::FolderLock::take(folderOfFile(steps.databasePath), db::LockMode::Exclusive, 0);
    if (!alone) {
        prompt.notify(alone.code() == StatusCode::Busy ? compactPutOffText(alone.message()) : alone.message());
        return CloseOutcome::Closed;
    }
    if (steps.compacting)
        steps.compacting(true);
    Status st = db::compactDatabase(steps.databasePath);
    if (steps.compacting)
        steps.compacting(false);
    if (!st) {
        prompt.notify(st.message());
        return CloseOutcome::CompactionFailed;
    }
    return CloseOutcome::Compacted;
}

} // namespace kestrel::services
