// The main window's issue selection: the code box, the issue list, showing an issue with its chart,
#include "ui/app/OpenDatabase.h"
// the search by name and removing rows from the list.
#include "core/chart/ChartData.h"
#include "core/db/Schema.h"
#include "core/info/IssueInformation.h"
#include "core/settings/InfoPages.h"
#include "ui/app/MessageBox.h"
#include "ui/app/Shell.h"
#include "ui/app/Widgets.h"
#include "ui/chart/frmMain.h"
#include "ui/chart/frmMeiFind.h"
#include "ui/db/BusyPrompt.h"
#include "ui/info/frmFinsPages.h"

namespace kestrel::ui {

using namespace kestrel::chart;

void frmMain::meiCodeChange(const QString& text) {
    Lblshijyo->clear();
    LblMei->clear();
    LblFins->clear();
    LblFins->setToolTip(QString());
    if (text.size() < 6) {
        FillIssueList(text);
        ShowIssue(true);
        return;
    }
    MeiCode->setText(text.left(5)); // fires this again with the five characters
    MeiCode->setCursorPosition(5);
}

void frmMain::FillIssueList(const QString& codeText) {
    if (issueListBusy)
        return;
    const std::string text = codeText.toStdString();
    if (!issueListRefills(text, ListMei->count()))
        return;
    auto bounds = issueCodeBounds(text);
    if (!bounds)
        return;
    auto db = openDatabaseOrTell(m_context.paths.databasePath, this, db::OpenMode::ReadOnly);
    if (!db)
        return;
    auto rows = issueRowsInRange(**db, bounds->first, bounds->second, m_marketNames);
    if (!rows) {
        MessageBox::information(this, q(rows.message()));
        return;
    }
    ListMei->clear();
    for (const std::string& row : *rows)
        ListMei->addItem(q(row));
    if (ListMei->count() > 0)
        ListMei->setCurrentRow(0);
}

void frmMain::ShowIssue(bool draw) {
    const QString code = MeiCode->text();
    if (code.isEmpty())
        return;
    auto db = openDatabaseOrTell(m_context.paths.databasePath, this, db::OpenMode::ReadOnly);
    if (!db)
        return;
    // A chart dated before the markets were renamed names the market as it was then (a 2021 chart of a
    // プライム issue reads 東１); a later one names it as the issue list does.
    const std::optional<Date> day = Date::parseEntry(chartDate->text().toStdString());
    const bool beforeReform = day && *day < db::marketReformDay();
    auto shown = lookUpShownIssue(**db, code.toStdString(),
                                  beforeReform ? db::marketNamesOn(m_storedMarketNames, *day) : m_marketNames.names,
                                  m_marketNames.jquants, day ? *day : m_marketNames.day.value_or(Date()));
    if (!shown) {
        MessageBox::information(this, q(shown.message()));
        return;
    }
    if (!*shown)
        return; // not an issue: the labels stay empty and nothing is drawn
    Lblshijyo->setText(q((*shown)->market));
    LblMei->setText(q((*shown)->name));
    if (m_context.syncIssueList) {
        for (int i = 0; i < ListMei->count(); ++i) {
            if (q(rowCode(ListMei->item(i)->text().toStdString())) == code) {
                ListMei->setCurrentRow(i);
                break;
            }
        }
    }
    m_context.syncIssueList = true;
    if (!draw)
        return;
    BusyPrompt prompt(this);
    std::string dateText = chartDate->text().toStdString();
    Status st = LoadChartData(**db, m_context, code.toInt(), dateText, m_chart->data(), prompt);
    if (q(dateText) != chartDate->text()) {
        // The load put today in place of a text that was no date; the chart already ends there.
        m_settingDate = true;
        setChartDateText(q(dateText));
        m_settingDate = false;
    }
    HScroll->setSingleStep(m_chart->data().scrollSmallChange);
    HScroll->setPageStep(m_chart->data().scrollLargeChange);
    if (!st)
        prompt.notify(st.message());
    if (auto day = Date::parseEntry(dateText))
        m_chart->loadSeriesChart(code.toInt(), *day);
    showFins(code.toInt());
    m_chart->DrawChart(true);
    askIssueHistory(code.toInt());
    askIssueFins(code.toInt());
}

void frmMain::listMeiDblClick() {
    m_context.syncIssueList = false;
    QListWidgetItem* item = ListMei->currentItem();
    if (!item)
        return;
    issueListBusy = true;
    MeiCode->setText(q(rowCode(item->text().toStdString())));
    issueListBusy = false;
}

void frmMain::cmdFindClick() {
    MeiCode->setFocus();
    MeiCode->selectAll();
    issueListBusy = true;
    {
        frmMeiFind find(m_context, m_marketNames, this);
        find.exec();
        if (!find.chosenCode().isEmpty())
            MeiCode->setText(find.chosenCode());
    }
    issueListBusy = false;
    FillIssueList(MeiCode->text().left(2));
    ShowIssue(false);
}

void frmMain::mnuDelListClick() {
    QListWidgetItem* item = ListMei->currentItem();
    if (!item || focusWidget() == MeiCode)
        return;
    if (!MessageBox::question(this, item->text() + QStringLiteral(" を銘柄リストから削除します　よろしいですか？")))
        return;
    int row = ListMei->row(item);
    delete ListMei->takeItem(row);
    if (ListMei->count() > 0)
        ListMei->setCurrentRow(row > 0 ? row - 1 : 0);
}

bool frmMain::shownIssueOrSay(const char* message) {
    if (!Lblshijyo->text().isEmpty() && !LblMei->text().isEmpty())
        return true;
    MessageBox::information(this, QString::fromUtf8(message));
    return false;
}

void frmMain::informationPage(const char* letter) {
    if (!shownIssueOrSay("銘柄コードを入力して下さい。"))
        return;
    // BS・PL情報, 業績推移 and 成長率 are our own pages of the issue's disclosures as of the chart's date.
    static const std::pair<const char*, frmFinsPages::Page> kOwn[] = {
        {"d", frmFinsPages::Page::Balance}, {"e", frmFinsPages::Page::Results}, {"f", frmFinsPages::Page::Growth}};
    for (const auto& [own, page] : kOwn) {
        if (std::string_view(letter) != own)
            continue;
        const std::optional<std::int32_t> code = info::issueCodeOf(MeiCode->text().toStdString());
        if (!code)
            return;
        const Date day = Date::parseEntry(chartDate->text().toStdString()).value_or(Date::today());
        auto* w = new frmFinsPages(m_context, *code, LblMei->text(), day, page, this);
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->show();
        return;
    }
    const InfoPageTemplates templates = loadInfoPageTemplates(m_context.paths.iniPath);
    for (size_t i = 0; i < kInfoPages.size(); ++i) {
        if (std::string_view(letter) != kInfoPages[i].letter)
            continue;
        if (templates[i].empty())
            MessageBox::information(this, QString::fromUtf8(kInfoPageUnsetTip));
        else
            cShellFile::ShellFile(q(infoPageAddress(templates[i], MeiCode->text().toStdString())));
    }
}

} // namespace kestrel::ui
