#include "ui/db/frmBackUp.h"

#include "core/app/Files.h"
#include "core/db/FileCare.h"
#include "core/settings/IniFile.h"
#include "ui/app/FileDialog.h"
#include "ui/app/Widgets.h"
#include "ui/db/BusyPrompt.h"

#include <QDir>
#include <QGridLayout>
#include <QLabel>

namespace kestrel::ui {
namespace {

constexpr const char* kEnterPath = "ﾊﾞｯｸｱｯﾌﾟﾊﾟｽを入力して下さい。";
constexpr const char* kTitle = "ﾌｪﾝﾈﾙ";

} // namespace

frmBackUp::frmBackUp(AppContext& context, QWidget* parent) : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("frmBackUp"));
    setWindowTitle(QStringLiteral("ﾊﾞｯｸｱｯﾌﾟ"));
    txtbackuppath = new QLineEdit(this);
    txtbackuppath->setObjectName(QStringLiteral("txtbackuppath"));
    CmdPath = button(this, "CmdPath", QStringLiteral("参照..."));
    Cmdbackup = button(this, "Cmdbackup", QStringLiteral("ﾊﾞｯｸｱｯﾌﾟ"));
    CmdRebackup = button(this, "CmdRebackup", QStringLiteral("ﾊﾞｯｸｱｯﾌﾟから復帰"));
    CmdoladmdbRebackup = button(this, "CmdoladmdbRebackup", QStringLiteral("最適化ﾊﾞｯｸｱｯﾌﾟから復帰"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("株価データーのバックアップ操作を行います。"), this), 0, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("ﾊﾞｯｸｱｯﾌﾟ先ﾊﾟｽ"), this), 1, 0);
    grid->addWidget(txtbackuppath, 1, 1);
    grid->addWidget(CmdPath, 1, 2);
    grid->addWidget(Cmdbackup, 2, 0);
    grid->addWidget(new QLabel(QStringLiteral("MO,Zip等にﾊﾞｯｸｱｯﾌﾟを行います。"), this), 2, 1, 1, 2);
    grid->addWidget(CmdRebackup, 3, 0);
    grid->addWidget(new QLabel(QStringLiteral("MO,Zip等のﾊﾞｯｸｱｯﾌﾟから復元を行います。"), this), 3, 1, 1, 2);
    grid->addWidget(CmdoladmdbRebackup, 4, 0);
    grid->addWidget(new QLabel(QStringLiteral("最適化のﾊﾞｯｸｱｯﾌﾟから復元を行います。"), this), 4, 1, 1, 2);

    connect(CmdPath, &QPushButton::clicked, this, &frmBackUp::browse);
    connect(Cmdbackup, &QPushButton::clicked, this, &frmBackUp::backup);
    connect(CmdRebackup, &QPushButton::clicked, this, &frmBackUp::restoreFromFolder);
    connect(CmdoladmdbRebackup, &QPushButton::clicked, this, &frmBackUp::restoreFromOld);

    // Without a remembered folder the box starts at the home folder, the root of the user's own files.
    std::string remembered = readProfileString(context.paths.iniPath, kIniSection, "BackPath");
    txtbackuppath->setText(remembered.empty() ? QDir::homePath() + QLatin1Char('/')
                                              : QString::fromStdString(remembered));
}

void frmBackUp::done(int result) {
    if (!txtbackuppath->text().isEmpty()) {
        if (Status st = writeProfileString(m_context.paths.iniPath, kIniSection, "BackPath",
                                           txtbackuppath->text().toStdString());
            !st)
            WidgetPrompt(this).notify(st.message());
    }
    QDialog::done(result);
}

void frmBackUp::browse() {
    txtbackuppath->setText(BrowseFolder(this, txtbackuppath->text(), QStringLiteral("バックアップフォルダ選択")));
}

void frmBackUp::backup() {
    std::string folder = txtbackuppath->text().toStdString();
    BusyPrompt prompt(this);
    if (folder.empty()) {
        prompt.notify(kEnterPath);
        return;
    }
    if (!prompt.askYesNo("株価データーのﾊﾞｯｸｱｯﾌﾟを行います よろしいですか？", kTitle))
        return;
    Status st = db::backupDatabase(m_context.paths.databasePath, db::backupFilePath(folder));
    prompt.notify(st ? "ﾊﾞｯｸｱｯﾌﾟ終了しました。" : st.message());
}

void frmBackUp::restoreFromFolder() {
    std::string folder = txtbackuppath->text().toStdString();
    BusyPrompt prompt(this);
    if (folder.empty()) {
        prompt.notify(kEnterPath);
        return;
    }
    if (!prompt.askYesNo("株価データーのﾊﾞｯｸｱｯﾌﾟからの復元を行います よろしいですか？　現在のデーターは入れ替わって"
                         "しまいます。",
                         kTitle))
        return;
    Status st = db::restoreDatabase(db::backupFilePath(folder), m_context.paths.databasePath);
    prompt.notify(st ? "復元終了しました。" : st.message());
}

void frmBackUp::restoreFromOld() {
    std::string old = db::oldCopyPath(m_context.paths.databasePath);
    BusyPrompt prompt(this);
    if (!fileExists(old)) {
        prompt.notify("ﾊﾞｯｸｱｯﾌﾟﾃﾞｰﾀｰがありません。");
        return;
    }
    if (!prompt.askYesNo("株価データーのﾊﾞｯｸｱｯﾌﾟから復元します　現在のデーターはなくなります　よろしいですか？",
                         kTitle))
        return;
    Status st = db::restoreDatabase(old, m_context.paths.databasePath);
    prompt.notify(st ? "復元終了しました。" : st.message());
}

} // namespace kestrel::ui
