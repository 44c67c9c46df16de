#pragma once
// Helpers of the window tests: a program folder with a fresh database, the rows of lists and grids as
// text, the scripted message log, a modal window driven while it is up, and the J-Quants-shaped server.
#include "core/app/Files.h"
#include "core/db/Schema.h"
#include "core/startup/AppContext.h"
#include "support/TestSupport.h"
#include "ui/app/MessageBox.h"
#include "ui/app/Shell.h"

#include <QApplication>
#include <QDialog>
#include <QListWidget>
#include <QProcess>
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

// Scripted questions and notices, and shell calls recorded instead of run: the start of every window test.
inline void scriptWindows() {
    ui::MessageBox::setScripted(true);
    ui::MessageBox::clearLog();
    ui::cShellFile::setRecording(true);
    ui::cShellFile::recorded().clear();
}

// The J-Quants-shaped server of the command-line tests (tests/cli/jquants_server.py) over the files under
// www(), logging each request to log(); killed when it goes.
struct JQuantsProcess {
    TempDir root;
    QProcess process;
    int port = 0;
    std::string www(const std::string& path = {}) const { return root.file("www/" + path); }
    // Starts the server with `options` (key, plan, window, ...); true once it listens.
    bool run(const QStringList& options) {
        process.start(QStringLiteral("python3"),
                      QStringList{QStringLiteral(KESTREL_TEST_DATA "/../cli/jquants_server.py"),
                                  QStringLiteral("--root"), QString::fromStdString(www()),
                                  QStringLiteral("--port-file"), QString::fromStdString(root.file("port")),
                                  QStringLiteral("--log"), QString::fromStdString(root.file("log"))} +
                          options);
        for (int tries = 0; tries < 100 && port == 0; ++tries) {
            QTest::qWait(50);
            port = QString::fromStdString(readFile(root.file("port"))).toInt();
        }
        return port != 0;
    }
    QString log() const { return QString::fromStdString(readFile(root.file("log"))); }
    ~JQuantsProcess() {
        process.kill();
        process.waitForFinished();
    }
};

} // namespace kestrel::test
