#pragma once
// What happens when the main window closes, without its windows: its timers stop, an open dial-up line
// may be hung up, and the user may have the database compacted (the file as it was stays as
// Kestrel.old). Questions and notices go through the prompt; the caller shows the compaction notice.
#include "core/app/Prompt.h"
#include "services/net/DialUpLine.h"

#include <QString>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

namespace kestrel::services {

struct CloseSteps {
    Prompt* prompt = nullptr;
    std::vector<QTimer*> timers; // the slide-show and blink timers
    std::string databasePath;
    DialUpLine dialUp = dialUpLine();
    // Called with true before compaction starts and with false once it has ended.
    std::function<void(bool)> compacting;
};

enum class CloseOutcome {
    Closed,          // no compaction: the window just closes
    Compacted,       // compacted; the program ends
    CompactionFailed // the error was shown, Kestrel.mdb is as it was; the program ends
};

// The text of the question asked before compaction (title "ﾌｪﾝﾈﾙ").
QString compactQuestion();
// The notice when another program holds the data: the compaction is put off, the window closes.
std::string compactPutOffText(const std::string& busyMessage);
// Another program holding the folder puts the compaction off (told through the prompt): Closed.
CloseOutcome runCloseSteps(const CloseSteps& steps);

} // namespace kestrel::services
