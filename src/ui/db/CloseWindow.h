#pragma once
// The close sequence of the main window with its windows: questions as message boxes over the window
// and the small window frmCmpctMsg while compaction runs. The main window's close handler calls
// runCloseSequence and, unless the outcome is Closed, ends the program at once.
#include "services/db/CloseSequence.h"

#include <QLabel>
#include <QWidget>

namespace kestrel::ui {

using services::CloseOutcome;
using services::compactQuestion;
using services::DialUpLine;
using services::dialUpLine;

struct CloseParts {
    QWidget* window = nullptr;   // owner of the questions
    std::vector<QTimer*> timers; // the slide-show and blink timers
    std::string databasePath;
    DialUpLine dialUp = dialUpLine();
};

CloseOutcome runCloseSequence(const CloseParts& parts);

// The small window shown while compaction runs.
class frmCmpctMsg : public QWidget {
    Q_OBJECT
public:
    explicit frmCmpctMsg(QWidget* parent = nullptr);
    QLabel* Label1;
};

} // namespace kestrel::ui
