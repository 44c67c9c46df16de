#pragma once
// Helpers of the window tests: a program folder with a fresh database, the rows of lists and grids as
// text, the scripted message log, and a modal window driven while it is up.
#include "core/app/Files.h"
#include "core/db/Schema.h"
#include "core/startup/AppContext.h"
#include "support/TestSupport.h"
#include "ui/app/MessageBox.h"

#include <QApplication>
#include <QDialog>
#include <QListWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

namespace kestrel::test {

// A program folder with a fresh Kestrel.mdb and its Data folder. Every query opens and closes its own
// connection, so `openDatabaseFiles` sees only what the window holds.
struct WindowHome {
    TempDir dir;
    AppContext context;
    explicit WindowHome(std::int16_t chartMode = 1) {
        context.paths = ProgramPaths::forFolder(dir.path());
        context.chartMode = chartMode;
        if (!makeDir(context.paths.dataFolder) || !db::CreateDatabaseFile(context.paths.databasePath))
            qFatal("cannot create the program folder");
    }
    void exec(const std::string& sql) { execSql(context.paths.databasePath, sql); }
    long long count(const std::string& sql) { return queryCount(context.paths.databasePath, sql); }
    QString text(const std::string& sql) { return QString::fromStdString(queryText(context.paths.databasePath, sql)); }
    // Files of the database (the file itself, its log) this process has open.
    int openDatabaseFiles() const {
        int n = 0;
        for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code ec;
            auto target = std::filesystem::read_symlink(fd.path(), ec).string();
            if (!ec && target.rfind(context.paths.databasePath, 0) == 0)
                ++n;
        }
        return n;
    }
};

inline QStringList texts(std::initializer_list<const char*> items) {
    QStringList r;
    for (const char* i : items)
        r << QString::fromUtf8(i);
    return r;
}

inline QStringList listRows(const QListWidget* list) {
    QStringList r;
    for (int i = 0; i < list->count(); ++i)
        r << list->item(i)->text();
    return r;
}

inline QStringList column(const QTableView* grid, int col) {
    QStringList r;
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        r << grid->model()->index(row, col).data().toString();
    return r;
}

// Whether the scripted message log holds `entry` as the text of a question or notice.
inline bool logged(const QString& entry) {
    for (const QString& e : ui::MessageBox::log())
        if (e.endsWith(QStringLiteral("|") + entry))
            return true;
    return false;
}

// Runs `act` and, once a modal window is up, hands it to `inside` and closes it. Returns the modal
// window's objectName ("" when none opened).
inline QString withModal(const std::function<void()>& act, const std::function<void(QDialog*)>& inside = {}) {
    QString seen;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !seen.isEmpty())
            return;
        seen = dialog->objectName();
        if (inside)
            inside(dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    poll.start();
    act();
    return seen;
}

} // namespace kestrel::test
