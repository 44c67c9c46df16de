#pragma once
// What happens when the main window closes: its timers stop, an open dial-up line may be hung up, and
// the user may have the database compacted (the file as it was stays as Kestrel.old) while the small
// window frmCmpctMsg says so. The main window's close handler calls runCloseSequence and, unless the
// outcome is Closed, ends the program at once.
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

namespace kestrel::ui {

// The dial-up layer as the close sequence sees it. The default reports no connection.
struct DialUpLine {
    std::function<bool()> isConnected; // remembers the connection it reports
    std::function<void()> hangUp;
};
// The process-wide dial-up layer; the network layer installs the real one.
DialUpLine& dialUpLine();

struct CloseParts {
    QWidget* window = nullptr;   // owner of the questions
    std::vector<QTimer*> timers; // the slide-show and blink timers
    std::string databasePath;
    DialUpLine dialUp = dialUpLine();
};

enum class CloseOutcome {
    Closed,          // no compaction: the window just closes
    Compacted,       // compacted; the program ends
    CompactionFailed // the error was shown, Kestrel.mdb is as it was; the program ends
};

// The text of the question asked before compaction (title "ﾌｪﾝﾈﾙ").
QString compactQuestion();
CloseOutcome runCloseSequence(const CloseParts& parts);

// The small window shown while compaction runs.
class frmCmpctMsg : public QWidget {
    Q_OBJECT
public:
    explicit frmCmpctMsg(QWidget* parent = nullptr);
    QLabel* Label1;
};

} // namespace kestrel::ui
