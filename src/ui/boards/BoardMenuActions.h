#pragma once
// The main window's board and issue-list menu entries, one call each. Every function opens the
// database for its action, asks and tells through message boxes owned by parent, and chooses files
// with the common dialogs (starting in the program's Data folder). The issue list is the main window's
// ListMei; the shown issue is the text of its code box, market label and name label. A slide-show
// timer, when given, is paused while a board question is open and restored afterwards.
#include "core/startup/AppContext.h"

#include <QString>
#include <functional>

class QListWidget;
class QTimer;
class QWidget;

namespace kestrel::ui::BoardMenuActions {

struct Shown {
    QString code;   // MeiCode text
    QString market; // Lblshijyo text
    QString name;   // LblMei text
};

// Register / remove the shown issue on board 1 (A) or 2 (B). Removing also offers to remove the
// selected ListMei row when it starts with the same code.
void registerShownIssue(QWidget* parent, AppContext& context, int board, const Shown& shown, QTimer* slideTimer);
void removeShownIssue(QWidget* parent, AppContext& context, int board, const Shown& shown, QListWidget* ListMei,
                      QTimer* slideTimer);
// The board's issues into ListMei (cleared first).
void boardToList(QWidget* parent, AppContext& context, int board, QListWidget* ListMei);
// Moves the issue selected in ListMei from source to the other board; caption is the menu caption.
void moveBetweenBoards(QWidget* parent, AppContext& context, int source, const QString& caption, QListWidget* ListMei);
// Board text files. After a successful load, showBoard is called with the hand-over text "1" or "2"
// (the main window opens the board window modally, e.g. with showBoardWindow).
void saveBoardText(QWidget* parent, AppContext& context, int board);
void loadBoardText(QWidget* parent, AppContext& context, int board,
                   const std::function<void(const QString&)>& showBoard);
// Issue list files.
void writeIssueList(QWidget* parent, AppContext& context, QListWidget* ListMei);
void readIssueList(QWidget* parent, AppContext& context, QListWidget* ListMei);
// Opens the board window modally; onChart receives the code of a chart jump, finder is its "検索....."
// (the name search, returning the chosen code or ""), issueOpened each issue found by its code box.
void showBoardWindow(QWidget* parent, AppContext& context, const QString& handOverText,
                     const std::function<void(const QString&)>& onChart, std::function<QString(QWidget*)> finder = {},
                     std::function<void(std::int32_t)> issueOpened = {});
// Removes the selected ListMei row after the question; the row above (or the new first) is selected.
bool removeSelectedListRow(QWidget* parent, QListWidget* ListMei);
// "desc|patterns|desc|patterns" as the Qt dialogs take it.
QString dialogFilter(const QString& filter);

} // namespace kestrel::ui::BoardMenuActions
