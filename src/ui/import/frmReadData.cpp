#include "ui/import/frmReadData.h"

#include "core/app/Files.h"
#include "core/db/Schema.h"
#include "core/import/DailyImport.h"
#include "core/import/DateRange.h"
#include "core/import/IssueMaster.h"
#include "ui/app/MessageBox.h"
#include "ui/app/OpenDatabase.h"
#include "ui/app/Shell.h"
#include "ui/app/Widgets.h"
#include "ui/import/ImportUi.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QProcess>
#include <QTimer>

namespace kestrel::ui {
namespace {

frmReadData::Launcher& launcher() {
    static frmReadData::Launcher l = [](const QString& program, const QStringList& args) {
        return QProcess::startDetached(program, args);
    };
    return l;
}

QString converterProgram(const std::string& programFolder) {
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString& p : {QString::fromStdString(programFolder) + QStringLiteral("/Plover"),
                             dir + QStringLiteral("/Plover"), dir + QStringLiteral("/../plover/Plover")})
        if (QFileInfo(p).isExecutable())
            return QFileInfo(p).absoluteFilePath();
    return QString::fromStdString(programFolder) + QStringLiteral("/Plover");
}

} // namespace

void frmReadData::setConverterLauncher(Launcher l) {
    launcher() = std::move(l);
}

frmReadData::frmReadData(AppContext& context, QString& handOverText, QWidget* mainWindow, QWidget* parent)
    : QDialog(parent), m_context(context), m_handOver(handOverText), m_mainWindow(mainWindow) {
    setObjectName(QStringLiteral("frmReadData"));
    setWindowTitle(QStringLiteral("株価データー読み込み"));
    ReadDateji = named(new QLineEdit(this), "ReadDateji");
    ReadDateitaru = named(new QLineEdit(this), "ReadDateitaru");
    LabReadDateji = named(new QLabel(this), "LabReadDateji");
    LabReadDateitaru = named(new QLabel(this), "LabReadDateitaru");
    CmdJiUp = named(new QPushButton(QStringLiteral("▲"), this), "CmdJiUp");
    CmdJiDu = named(new QPushButton(QStringLiteral("▼"), this), "CmdJiDu");
    CmditarUp = named(new QPushButton(QStringLiteral("▲"), this), "CmditarUp");
    CmditarDu = named(new QPushButton(QStringLiteral("▼"), this), "CmditarDu");
    ChkShinyo = named(new QCheckBox(QStringLiteral("信用残も読込む"), this), "ChkShinyo");
    ChkMakeSyu = named(new QCheckBox(QStringLiteral("週ﾃﾞｰﾀも作成する"), this), "ChkMakeSyu");
    CmdReadData = named(new QPushButton(QStringLiteral("株価データー読込み"), this), "CmdReadData");
    CmdFileConvert = named(new QPushButton(QStringLiteral("株価データーを取得しファイル変換"), this), "CmdFileConvert");
    CmdClose = named(new QPushButton(QStringLiteral("キャンセル"), this), "CmdClose");
    LabFileName = named(new QLabel(this), "LabFileName");
    LabPa = named(new QLabel(this), "LabPa");

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("期間日付　自")), 0, 0);
    grid->addWidget(ReadDateji, 0, 1);
    grid->addWidget(LabReadDateji, 0, 2);
    grid->addWidget(CmdJiUp, 0, 3);
    grid->addWidget(CmdJiDu, 0, 4);
    grid->addWidget(new QLabel(QStringLiteral("～　至")), 1, 0);
    grid->addWidget(ReadDateitaru, 1, 1);
    grid->addWidget(LabReadDateitaru, 1, 2);
    grid->addWidget(CmditarUp, 1, 3);
    grid->addWidget(CmditarDu, 1, 4);
    grid->addWidget(ChkShinyo, 2, 0, 1, 2);
    grid->addWidget(ChkMakeSyu, 2, 2, 1, 3);
    grid->addWidget(CmdReadData, 3, 0, 1, 5);
    grid->addWidget(CmdFileConvert, 4, 0, 1, 5);
    grid->addWidget(LabFileName, 5, 0, 1, 3);
    grid->addWidget(LabPa, 5, 3);
    grid->addWidget(CmdClose, 6, 3, 1, 2);

    installImportDateBox(ReadDateji, LabReadDateji);
    installImportDateBox(ReadDateitaru, LabReadDateitaru);
    connectDayButton(CmdJiUp, ReadDateji, 1);
    connectDayButton(CmdJiDu, ReadDateji, -1);
    connectDayButton(CmditarUp, ReadDateitaru, 1);
    connectDayButton(CmditarDu, ReadDateitaru, -1);
    connect(CmdReadData, &QPushButton::clicked, this, &frmReadData::readData);
    connect(CmdFileConvert, &QPushButton::clicked, this, &frmReadData::fileConvert);
    connect(CmdClose, &QPushButton::clicked, this, &QDialog::reject);
    formLoad();
}

void frmReadData::formLoad() {
    const Date today = importToday();
    std::optional<Date> latest;
    if (auto db = db::openKestrelDatabase(m_context.paths.databasePath, db::OpenMode::ReadOnly))
        latest = latestDailyDate(**db);
    std::optional<Date> start;
    if (latest) {
        start = latest->addDays(1).weekday() == 7 ? NextMonday(*latest) : latest->addDays(1);
        ReadDateji->setText(yymmdd(*start));
        ReadDateitaru->setText(*start > today ? ReadDateji->text() : yymmdd(today));
    } else {
        ReadDateji->setText(yymmdd(today));
        ReadDateitaru->setText(yymmdd(today));
    }
    ChkShinyo->setChecked(false);
    ChkMakeSyu->setChecked(false);
    if (start && start->weekday() == 6)
        ChkMakeSyu->setChecked(m_context.settings.MakeSyu != 0);
    const std::string& when = m_context.settings.ReadSinyo;
    const int weekday = when == "水曜" ? 4 : when == "木曜" ? 5 : when == "金曜" ? 6 : 0;
    if (weekday != 0 && today.weekday() == weekday) {
        ChkShinyo->setChecked(true);
        ReadDateitaru->setText(ReadDateji->text());
    }
    m_busy = false;
}

void frmReadData::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        QTimer::singleShot(0, this, &frmReadData::activate);
    }
}

void frmReadData::activate() {
    if (m_handOver == QStringLiteral("1") || m_handOver == QStringLiteral("3")) {
        setWindowTitle(QStringLiteral("銘柄データー読み込み"));
        CmdReadData->setText(QStringLiteral("銘柄データー読み込み"));
        ImportIssueMaster();
    } else if (m_handOver == QStringLiteral("2")) {
        setWindowTitle(QStringLiteral("株価データー読み込み"));
        CmdReadData->setText(QStringLiteral("株価データー読み込み"));
    }
}

void frmReadData::ImportIssueMaster() {
    // The mode is kept first, so an error in mode "4" still leaves the screen open.
    ReadMode = m_handOver;
    WidgetPrompt prompt(this);
    const QString caption = m_mainWindow ? m_mainWindow->windowTitle() : QString();
    {
        BusyCursor hourglass;
        if (auto db = openDatabaseOrTell(m_context.paths.databasePath, prompt)) {
            QWidget* mainWindow = m_mainWindow;
            auto progress = [this, mainWindow](int percent) {
                LabPa->setText(QString::fromStdString(formatPercent(percent)));
                LabPa->repaint();
                if (mainWindow)
                    mainWindow->setWindowTitle(LabPa->text() + QStringLiteral("%"));
                QCoreApplication::processEvents();
            };
            auto r = import::ImportIssueMaster(**db, m_context.paths.dataFolder, prompt, progress);
            if (!r.message.empty())
                m_handOver = QString::fromStdString(r.message);
        }
    }
    if (m_mainWindow && !caption.isNull())
        m_mainWindow->setWindowTitle(caption);
    if (ReadMode != QStringLiteral("4"))
        QTimer::singleShot(0, this, &QDialog::accept);
}

bool frmReadData::checkFolders() {
    WidgetPrompt prompt(this);
    if (m_context.settings.hibiPath.empty()) {
        if (prompt.askYesNo("日々データーフォルダが登録されていません 今すぐ登録しますか？") && openOptions)
            openOptions();
        return false;
    }
    if (ChkShinyo->isChecked() && m_context.settings.sinyoPath.empty()) {
        if (prompt.askYesNo("信用データーフォルダが登録されていません 今すぐ登録しますか？") && openOptions)
            openOptions();
        return false;
    }
    return true;
}

bool frmReadData::checkDates() {
    import::RangeCheck check = import::checkDateRange(boxDate(ReadDateji), boxDate(ReadDateitaru), false);
    if (check.ok())
        return true;
    WidgetPrompt(this).notify(check.message);
    (check.focus == import::DateBox::Start ? ReadDateji : ReadDateitaru)->setFocus();
    return false;
}

void frmReadData::readData() {
    if (m_busy || !checkFolders() || !checkDates())
        return;
    if (WidgetPrompt(this).askYesNo("株価データーの読込みを開始します。"))
        ImportDailyFiles();
}

void frmReadData::ImportDailyFiles() {
    m_busy = true;
    {
        BusyCursor hourglass;
        WidgetPrompt prompt(this);
        if (auto db = openDatabaseOrTell(m_context.paths.databasePath, prompt)) {
            import::DailyImportOptions o;
            o.dailyFolder = m_context.settings.hibiPath;
            o.deleteExisting = m_context.settings.RDel == 1;
            o.readMargin = ChkShinyo->isChecked();
            o.marginFolder = m_context.settings.sinyoPath;
            o.buildWeekly = ChkMakeSyu->isChecked();
            auto r = import::ImportDailyFiles(**db, *boxDate(ReadDateji), *boxDate(ReadDateitaru), o,
                                              labelProgress(LabPa, LabFileName));
            m_filesRead += r.filesRead;
            if (!r.message.empty())
                m_handOver = QString::fromStdString(r.message);
            // Cells read as 0 are told, not refused: the days were imported.
            std::string warning;
            for (const std::string& w : r.warnings)
                warning += (warning.empty() ? "" : "\n") + w;
            if (!warning.empty())
                prompt.notify(warning);
            if (!r.status)
                prompt.notify(import::stoppedImportMessage(r)); // which files were stored, where it stopped
            else if (!r.gapNotice.empty())
                prompt.notify(r.gapNotice); // an open day without prices is never silent
        }
    }
    m_busy = false;
    accept();
}

void frmReadData::fileConvert() {
    if (m_busy || !checkFolders() || !checkDates())
        return;
    WidgetPrompt prompt(this);
    if (prompt.askYesNo("銘柄データーを最新の状態にしてファイル変換を行いますか？（推奨）")) {
        showMinimized();
        if (m_mainWindow)
            m_mainWindow->showMinimized();
        m_handOver = QStringLiteral("4");
        OpenWebPage(QString::fromStdString(m_context.settings.MURL));
        if (runInternetRead)
            runInternetRead();
        m_handOver = QStringLiteral("4");
        ImportIssueMaster();
        prompt.notify(m_handOver.toStdString());
        m_handOver.clear();
        if (m_mainWindow && m_mainWindow->isMinimized())
            m_mainWindow->showNormal();
        if (isMinimized())
            showNormal();
    }
    startConverter();
}

void frmReadData::startConverter() {
    // The range is one argument, "start,end", handed over as it stands (never through a shell).
    const QString program = converterProgram(m_context.paths.programFolder);
    if (!launcher()(program, {ReadDateji->text() + QStringLiteral(",") + ReadDateitaru->text()}))
        WidgetPrompt(this).notify(program.toStdString() + " を起動できません。");
}

void frmReadData::closeEvent(QCloseEvent* event) {
    if (m_busy) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void frmReadData::done(int r) {
    // Esc, キャンセル and the close box end here too; a running import refuses them.
    if (m_busy)
        return;
    onUnload();
    QDialog::done(r);
}

void frmReadData::onUnload() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    if (m_handOver == QStringLiteral("1") || m_handOver == QStringLiteral("2"))
        m_handOver.clear();
    if (ReadMode == QStringLiteral("1") || ReadMode == QStringLiteral("4"))
        return;
    auto db = db::openKestrelDatabase(m_context.paths.databasePath, db::OpenMode::ReadOnly);
    if (!db)
        return;
    auto stale = (*db)->queryInt("SELECT 1 FROM Mei WHERE 更新Flg = 0 LIMIT 1");
    db->reset();
    // The issue deletion screen offers the issues missing from the last daily file, only after an
    // import that read one (the flags say nothing new otherwise).
    if (m_filesRead > 0 && stale && stale->has_value() && showReadDelMei)
        showReadDelMei();
}

} // namespace kestrel::ui
