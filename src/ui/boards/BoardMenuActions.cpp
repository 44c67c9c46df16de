#include "ui/boards/BoardMenuActions.h"

#include "core/app/Date.h"
#include "core/app/Files.h"
#include "core/boards/BoardEntries.h"
#include "core/boards/BoardFiles.h"
#include "core/boards/BoardStore.h"
#include "core/db/Schema.h"
#include "core/settings/IniFile.h"
#include "ui/app/FileDialog.h"
#include "ui/app/MessageBox.h"
#include "ui/app/OpenDatabase.h"
#include "ui/boards/frmKabukaboard.h"

#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QTimer>
#include <algorithm>

namespace kestrel::ui::BoardMenuActions {
namespace {

// Pauses a running slide show for the life of the object.
class SlidePause {
public:
    explicit SlidePause(QTimer* timer) : m_timer(timer), m_wasRunning(timer && timer->isActive()) {
        if (m_wasRunning)
            m_timer->stop();
    }
    ~SlidePause() {
        if (m_wasRunning && m_timer)
            m_timer->start();
    }
    SlidePause(const SlidePause&) = delete;
    SlidePause& operator=(const SlidePause&) = delete;

private:
    QTimer* m_timer;
    bool m_wasRunning;
};

std::unique_ptr<db::Database> openDb(AppContext& context, Prompt& prompt) {
    auto db = openDatabaseOrTell(context.paths.databasePath, prompt);
    if (!db)
        return nullptr;
    return std::move(*db);
}

boards::ShownIssue toCore(const Shown& s) {
    return {s.code.toStdString(), s.market.toStdString(), s.name.toStdString()};
}

void fillList(QListWidget* list, const std::vector<std::string>& rows) {
    list->clear();
    for (const std::string& r : rows)
        list->addItem(QString::fromStdString(r));
}

// Board and list files are the user's own: their dialogs start in the folder last used this session,
// else in the home folder (never in the program's hidden daily-data folder).
QString& lastFolder() {
    static QString folder;
    return folder;
}

QString startFolder() {
    return !lastFolder().isEmpty() && QDir(lastFolder()).exists() ? lastFolder() : QDir::homePath();
}

// path as chosen in a dialog, its folder remembered for the next one.
QString remembered(const QString& path) {
    if (!path.isEmpty())
        lastFolder() = QFileInfo(path).absolutePath();
    return path;
}

} // namespace

QString dialogFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // The label's own "(*.A)" or "（*.Lis）" goes: the dialog shows the patterns once.
        QString label = parts[i].trimmed();
        const qsizetype open = std::max(label.lastIndexOf(QLatin1Char('(')), label.lastIndexOf(QChar(0xFF08)));
        if (open > 0 && (label.endsWith(QLatin1Char(')')) || label.endsWith(QChar(0xFF09))))
            label = label.left(open).trimmed();
        out << label + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

bool removeSelectedListRow(QWidget* parent, QListWidget* ListMei) {
    const int row = ListMei ? ListMei->currentRow() : -1;
    if (row < 0)
        return false;
    WidgetPrompt prompt(parent);
    if (!prompt.askYesNo(ListMei->item(row)->text().toStdString() + " を銘柄リストから削除します　よろしいですか？"))
        return false;
    delete ListMei->takeItem(row);
    if (ListMei->count() > 0)
        ListMei->setCurrentRow(row == 0 ? 0 : row - 1);
    return true;
}

void registerShownIssue(QWidget* parent, AppContext& context, int board, const Shown& shown, QTimer* slideTimer) {
    WidgetPrompt prompt(parent);
    if (shown.market.isEmpty() || shown.name.isEmpty()) {
        prompt.notify("銘柄コードを入力して下さい。");
        return;
    }
    SlidePause pause(slideTimer);
    if (auto db = openDb(context, prompt))
        (void)boards::registerShownIssue(*db, board, toCore(shown), Date::today(), prompt);
}

void removeShownIssue(QWidget* parent, AppContext& context, int board, const Shown& shown, QListWidget* ListMei,
                      QTimer* slideTimer) {
    WidgetPrompt prompt(parent);
    if (shown.market.isEmpty() || shown.name.isEmpty()) {
        prompt.notify("銘柄コードを入力して下さい。");
        return;
    }
    SlidePause pause(slideTimer);
    auto db = openDb(context, prompt);
    if (!db || !boards::removeShownIssue(*db, board, toCore(shown), prompt))
        return;
    if (ListMei && ListMei->currentItem() && ListMei->currentItem()->text().startsWith(shown.code))
        removeSelectedListRow(parent, ListMei);
}

void boardToList(QWidget* parent, AppContext& context, int board, QListWidget* ListMei) {
    WidgetPrompt prompt(parent);
    auto db = openDb(context, prompt);
    if (!db)
        return;
    auto rows = boards::boardIssueListRows(*db, board);
    if (!rows)
        return prompt.notify(rows.message());
    fillList(ListMei, *rows);
}

void moveBetweenBoards(QWidget* parent, AppContext& context, int source, const QString& caption, QListWidget* ListMei) {
    WidgetPrompt prompt(parent);
    const QString code = ListMei && ListMei->currentItem() ? ListMei->currentItem()->text().left(4) : QString();
    auto db = openDb(context, prompt);
    if (db && boards::MoveBetweenBoards(*db, source, code.toStdString(), caption.toStdString(), prompt))
        removeSelectedListRow(parent, ListMei);
}

void saveBoardText(QWidget* parent, AppContext& context, int board) {
    WidgetPrompt prompt(parent);
    const std::string stored = readProfileString(context.paths.iniPath, boards::kSection, boards::boardFileKey(board));
    const QString path = remembered(FileDialog::getSaveFileName(
        parent, QString(), startFolder() + QLatin1Char('/') + QString::fromStdString(stored),
        dialogFilter(QString::fromUtf8(boards::boardFilter(board)))));
    if (path.isEmpty())
        return;
    if (auto db = openDb(context, prompt))
        (void)boards::saveBoardToFile(*db, context.paths.iniPath, board,
                                      boards::withBoardExtension(path.toStdString(), board), prompt);
}

void loadBoardText(QWidget* parent, AppContext& context, int board,
                   const std::function<void(const QString&)>& showBoard) {
    WidgetPrompt prompt(parent);
    if (prompt.askYesNo("現在の株価ボードを保存しておきますか？"))
        saveBoardText(parent, context, board);
    const QString path = remembered(FileDialog::getOpenFileName(
        parent, QString(), startFolder(), dialogFilter(QString::fromUtf8(boards::boardFilter(board)))));
    if (path.isEmpty())
        return;
    auto db = openDb(context, prompt);
    if (!db || !boards::loadBoardFromFile(*db, context.paths.iniPath, board, path.toStdString(), prompt))
        return;
    db.reset();
    if (showBoard)
        showBoard(QString::number(board));
}

void writeIssueList(QWidget* parent, AppContext& /*context*/, QListWidget* ListMei) {
    WidgetPrompt prompt(parent);
    const std::string name = boards::proposedListName(startFolder().toStdString(), Date::today());
    const QString path = remembered(
        FileDialog::getSaveFileName(parent, QString(), startFolder() + QLatin1Char('/') + QString::fromStdString(name),
                                    dialogFilter(QString::fromUtf8(boards::kListExportFilter))));
    std::vector<std::string> rows;
    for (int i = 0; ListMei && i < ListMei->count(); ++i)
        rows.push_back(ListMei->item(i)->text().toStdString());
    (void)boards::writeIssueListFile(path.toStdString(), rows, prompt);
}

void readIssueList(QWidget* parent, AppContext& context, QListWidget* ListMei) {
    WidgetPrompt prompt(parent);
    const QString path = remembered(FileDialog::getOpenFileName(
        parent, QString(), startFolder(), dialogFilter(QString::fromUtf8(boards::kListImportFilter))));
    if (path.isEmpty() || !fileExists(path.toStdString()))
        return;
    auto db = openDb(context, prompt);
    if (!db)
        return;
    auto rows = boards::readIssueListFile(*db, path.toStdString());
    if (!rows)
        return prompt.notify(rows.message());
    fillList(ListMei, *rows);
}

void showBoardWindow(QWidget* parent, AppContext& context, const QString& handOverText,
                     const std::function<void(const QString&)>& onChart, std::function<QString(QWidget*)> finder,
                     std::function<void(std::int32_t)> issueOpened) {
    frmKabukaboard window(context, handOverText, parent);
    window.setIssueFinder(std::move(finder));
    window.issueOpened = std::move(issueOpened);
    if (onChart)
        QObject::connect(&window, &frmKabukaboard::chartRequested, &window, onChart);
    window.exec();
}

} // namespace kestrel::ui::BoardMenuActions
