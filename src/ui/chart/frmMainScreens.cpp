// The screens the main window opens, and the menu entries that do more than open one: the read
#include "ui/app/OpenDatabase.h"
// screens with their result messages, price editing, the CSV export, help and outside files.
#include "core/app/Files.h"
#include "core/chart/PriceCsv.h"
#include "core/db/Schema.h"
#include "core/info/DownloadInformation.h"
#include "ui/app/FileDialog.h"
#include "ui/app/MessageBox.h"
#include "ui/app/Shell.h"
#include "ui/app/frmAbout.h"
#include "ui/app/frmOption.h"
#include "ui/boards/BoardMenuActions.h"
#include "ui/chart/frmMain.h"
#include "ui/chart/frmMeiFind.h"
#include "ui/db/BusyPrompt.h"
#include "ui/db/frmBackUp.h"
#include "ui/db/frmDatament.h"
#include "ui/db/frmDeleteData.h"
#include "ui/db/frmEditMei.h"
#include "ui/import/frmReadData.h"
#include "ui/import/frmShinyoData.h"
#include "ui/import/frmSyuMakeData.h"
#include "ui/import/frmZenjitusa.h"
#include "ui/info/frmInformation.h"
#include "ui/info/frmIntInformation.h"
#include "ui/info/frmJyohoList.h"
#include "ui/info/frmScreening.h"
#include "ui/net/frmIntReadData.h"
#include "ui/trade/frmstockmarket.h"

#include <QApplication>
#include <QFileInfo>

namespace kestrel::ui {

namespace {

// A screen taking the program's context and its owner, shown modally.
template <typename Form> frmMain::Opener modal() {
    return [](frmMain& main) {
        Form form(main.context(), &main);
        form.exec();
    };
}

} // namespace

frmMain::Opener frmMain::opener(Screen screen) {
    switch (screen) {
    case Screen::ReadData:
        return [](frmMain& main) {
            frmReadData form(main.context(), main.HandOverText, &main, &main);
            form.openOptions = [&main] { opener(Screen::Option)(main); };
            form.runInternetRead = [&main, &form] {
                frmIntReadData internet(main.context(), main.HandOverText, &form);
                internet.exec();
            };
            form.showReadDelMei = [&main] { opener(Screen::ReadDelMei)(main); };
            form.exec();
        };
    case Screen::ShinyoData:
        return modal<frmShinyoData>();
    case Screen::SyuMakeData:
        return modal<frmSyuMakeData>();
    case Screen::Zenjitusa:
        return modal<frmZenjitusa>();
    case Screen::IntReadData:
        return [](frmMain& main) {
            frmIntReadData form(main.context(), main.HandOverText, &main);
            // After a successful download the read screen imports the issue master in the same mode.
            form.openReadData = [&main] { opener(Screen::ReadData)(main); };
            form.exec();
        };
    case Screen::IntInformation:
        return [](frmMain& main) {
            frmIntInformation form(main.context(), main.HandOverText, &main);
            form.exec();
        };
    case Screen::Kabukaboard:
        return [](frmMain& main) {
            BoardMenuActions::showBoardWindow(
                &main, main.context(), main.HandOverText, [&main](const QString& code) { main.MeiCode->setText(code); },
                [&main](QWidget* parent) {
                    frmMeiFind find(main.context(), main.marketNames(), parent);
                    find.exec();
                    return find.chosenCode();
                },
                [&main](std::int32_t code) { main.askIssueHistory(code); });
        };
    case Screen::Information:
        return [](frmMain& main) {
            frmInformation form(main.context(), main.HandOverText, main.ListMei, &main);
            form.exec();
        };
    case Screen::JyohoList:
        return [](frmMain& main) {
            frmJyohoList form(main.context(), main.HandOverText, &main);
            form.exec();
        };
    case Screen::EditKabuka:
        return [](frmMain& main) {
            frmEditKabuka form(main.context(), main.HandOverText, &main);
            form.exec();
        };
    case Screen::EditMei:
        return modal<frmEditMei>();
    case Screen::ReadDelMei:
        return modal<frmReadDelMei>();
    case Screen::Datament:
        return modal<frmDatament>();
    case Screen::DeleteData:
        return modal<frmDeleteData>();
    case Screen::BackUp:
        return modal<frmBackUp>();
    case Screen::Option:
        return modal<frmOption>();
    case Screen::stockmarket:
        return [](frmMain& main) {
            frmstockmarket form(main.context(), &main);
            form.issueOpened = [&main](std::int32_t code) { main.askIssueHistory(code); };
            form.exec();
        };
    case Screen::About:
        return [](frmMain& main) {
            frmAbout form(&main);
            form.exec();
        };
    }
    return {};
}

bool frmMain::openScreen(Screen screen) {
    Opener open = opener(screen);
    if (!open)
        return false;
    const bool slideShow = chartTimer->isActive();
    chartTimer->stop(); // the show waits while another screen is open
    open(*this);
    if (screen == Screen::Option)
        m_history->forgetOptions(); // the key or the plan may have changed
    if (slideShow)
        chartTimer->start();
    return true;
}

void frmMain::openScreening() {
    if (!m_screening) {
        // A window of its own, not one kept above the chart: a result chosen in it brings the chart forward.
        auto* form = new frmScreening(m_context, ListMei, [this](std::int32_t code, Date date, chart::BarMode mode) {
            showIssueAt(code, date, mode);
            bringForward();
        });
        form->setAttribute(Qt::WA_DeleteOnClose);
        m_screening = form;
    }
    m_screening->show();
    m_screening->raise();
    m_screening->activateWindow();
}

void frmMain::bringForward() {
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void frmMain::loadInformationKinds() {
    WidgetPrompt prompt(this);
    info::loadShippedKinds(m_context.paths, m_context.settings.DURL, prompt);
}

void frmMain::boardEntry(BoardEntry entry, int board) {
    namespace M = BoardMenuActions;
    const M::Shown shown{MeiCode->text(), Lblshijyo->text(), LblMei->text()};
    switch (entry) {
    case BoardEntry::Register:
        M::registerShownIssue(this, m_context, board, shown, chartTimer);
        UpdateSlideShowCaption();
        return;
    case BoardEntry::Remove:
        if (MeiCode->hasFocus())
            return; // Del in the code box edits the code
        M::removeShownIssue(this, m_context, board, shown, ListMei, chartTimer);
        UpdateSlideShowCaption();
        return;
    case BoardEntry::ToList:
        M::boardToList(this, m_context, board, ListMei);
        return;
    case BoardEntry::SaveText:
        M::saveBoardText(this, m_context, board);
        return;
    case BoardEntry::LoadText:
        M::loadBoardText(this, m_context, board, [this](const QString& handOver) {
            HandOverText = handOver;
            openScreen(Screen::Kabukaboard);
        });
        return;
    case BoardEntry::Move:
        M::moveBetweenBoards(this, m_context, board,
                             action(QString::fromLatin1(board == 1 ? "mnuAtoB" : "mnuBtoA"))->text(), ListMei);
        return;
    case BoardEntry::ListOutput:
        M::writeIssueList(this, m_context, ListMei);
        return;
    case BoardEntry::ListInput:
        M::readIssueList(this, m_context, ListMei);
        return;
    }
}

void frmMain::showHandOverMessage() {
    if (!HandOverText.isEmpty())
        MessageBox::information(this, HandOverText);
}

void frmMain::OpenReadScreen(int kind, const QString& mode) {
    if (kind == 1) {
        HandOverText = QStringLiteral("2");
        openScreen(Screen::ReadData);
        showHandOverMessage();
        return;
    }
    const Screen screen = mode.isEmpty() ? Screen::IntInformation : Screen::IntReadData;
    blinkPending = true;
    showMinimized();
    OpenWebPage(QString::fromStdString(m_context.settings.MURL));
    HandOverText = mode;
    openScreen(screen);
    bringForward(); // after キャンセル as after a finished read, the chart is not left minimised
    if (!HandOverText.isEmpty()) {
        QCoreApplication::processEvents();
        showHandOverMessage();
    }
}

void frmMain::mnuMeiRegistDataClick() {
    if (!MessageBox::question(this, QStringLiteral("銘柄データーを読み込みします 宜しいですか？\n"
                                                   "現在の銘柄登録は無くなり　新しく登録されます。")))
        return;
    HandOverText = QStringLiteral("1");
    openScreen(Screen::ReadData);
    showHandOverMessage();
}

void frmMain::mnuKabkaEditClick() {
    if (!shownIssueOrSay("銘柄コードを指定して下さい。"))
        return;
    HandOverText = MeiCode->text() + QLatin1Char(',') + Lblshijyo->text() + QLatin1Char(',') + LblMei->text();
    if (!MessageBox::question(this, QStringLiteral("株価メンテナンスを行います　よろしいですか？\n"
                                                   "簡単に数字が変更されますので注意してください。")))
        return;
    openScreen(Screen::EditKabuka);
}

void frmMain::mnuJyohouListClick() {
    if (!shownIssueOrSay("銘柄コードを入力して下さい。"))
        return;
    HandOverText = MeiCode->text();
    openScreen(Screen::JyohoList);
}

void frmMain::mnudataoutputcsvClick() {
    bool adjusted = false; // as traded unless asked
    if (!MessageBox::question(this, QString::fromUtf8(chart::kPriceCsvQuestion),
                              QStringLiteral("分割調整した株価で出力する"), adjusted))
        return;
    if (!shownIssueOrSay("銘柄コードを入力して下さい。"))
        return;
    {
        BusyPrompt prompt(this);
        auto db = openDatabaseOrTell(m_context.paths.databasePath, prompt, db::OpenMode::ReadOnly);
        if (!db)
            return;
        chart::PriceCsvTitle title{LblMei->text().toStdString(), MeiCode->text().toStdString(),
                                   Lblshijyo->text().toStdString()};
        auto path = chart::exportPriceCsv(**db, m_context.paths.dataFolder, title, m_context.chartMode, adjusted);
        if (!path) {
            prompt.notify(path.message());
            return;
        }
    }
    MessageBox::information(this, QString::fromStdString(chart::priceCsvDoneMessage(MeiCode->text().toStdString())));
}

void frmMain::mnuGaibuRunClick() {
    QString file = FileDialog::getOpenFileName(this, QStringLiteral("外部ファイル実行"),
                                               QString::fromStdString(m_context.paths.dataFolder),
                                               QStringLiteral("すべてのﾌｧｲﾙ(*.*) (*)"));
    if (!file.isEmpty() && QFileInfo::exists(file))
        cShellFile::ShellFile(file);
}

void frmMain::mnuHelpClick() {
    auto htm = findFileNoCase(m_context.paths.htmFolder, "index.htm");
    if (!htm) {
        MessageBox::information(this, QStringLiteral("ヘルプファイルをダウンロードして下さい。"));
        return;
    }
    cShellFile::ShellFile(QString::fromStdString(*htm));
}

} // namespace kestrel::ui
