// The main window's menu bar and toolbar. Every entry is an action named as the entry (toolbar buttons
// by their key); the screens they open are listed once, in frmMainScreens.cpp.
#include "core/chart/MainChart.h"
#include "core/chart/Navigation.h"
#include "core/chart/TechnicalIni.h"
#include "core/settings/InfoPages.h"
#include "core/settings/IniFile.h"
#include "ui/app/InputDialog.h"
#include "ui/app/MessageBox.h"
#include "ui/app/Shell.h"
#include "ui/chart/frmMain.h"
#include "ui/chart/frmSplit.h"
#include "ui/chart/frmTechnical.h"
#include "ui/db/ModeCaption.h"

#include <QMenuBar>

namespace kestrel::ui {

using Screen = frmMain::Screen;
using BoardEntry = frmMain::BoardEntry;

template <typename F> QAction* frmMain::entry(QMenu* menu, const char* name, const char* caption, F handler) {
    QAction* a = menu->addAction(QString::fromUtf8(caption));
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, handler);
    return a;
}

template <typename F> QAction* frmMain::button(const char* key, const char* text, const char* tip, F handler) {
    QAction* a = Toolbar->addAction(QString::fromUtf8(text));
    a->setObjectName(QString::fromLatin1(key));
    a->setToolTip(QString::fromUtf8(tip));
    connect(a, &QAction::triggered, this, handler);
    return a;
}

void frmMain::buildMenus() {
    QMenuBar* bar = menuBar();
    auto open = [this](Screen s) { return [this, s] { openScreen(s); }; };
    auto board = [this](BoardEntry e, int b) { return [this, e, b] { boardEntry(e, b); }; };

    QMenu* file = bar->addMenu(QStringLiteral("ﾌｧｲﾙ"));
    entry(file, "mnuReadData", "株価ﾃﾞｰﾀ読込", [this] { OpenReadScreen(1, QString()); });
    entry(file, "mnuReadShinyoData", "信用ﾃﾞｰﾀ読込み", open(Screen::ShinyoData));
    entry(file, "mnuMeiRegistData", "銘柄登録読込み", &frmMain::mnuMeiRegistDataClick);
    entry(file, "mnuMakeSyuData", "週データー作成", open(Screen::SyuMakeData));
    entry(file, "mnuIntMeiRegistData", "ｲﾝﾀｰﾈｯﾄで銘柄登録読込み", [this] { OpenReadScreen(2, QStringLiteral("1")); });
    file->addSeparator();
    entry(file, "mnuEnd", "終　了", [this] { close(); });

    QMenu* edit = bar->addMenu(QStringLiteral("編集"));
    entry(edit, "mnurestore", "ﾃﾞｰﾀｰのﾊﾞｯｸｱｯﾌﾟ 復元", open(Screen::BackUp));
    entry(edit, "mnuKabkaEdit", "株価ﾃﾞｰﾀｰ編集", &frmMain::mnuKabkaEditClick);
    entry(edit, "mnuMeiedit", "登録銘柄編集", open(Screen::EditMei));
    entry(edit, "mnukabukatyousa", "株価ﾃﾞｰﾀｰ調査", open(Screen::Datament));
    entry(edit, "mnukabukaDeleteEdit", "株価ﾃﾞｰﾀｰ削除　変更", open(Screen::DeleteData));
    edit->addSeparator();
    entry(edit, "mnuDelList", "銘柄リストから削除", &frmMain::mnuDelListClick);
    entry(edit, "mnudataoutputcsv", "株価データCSV出力", &frmMain::mnudataoutputcsvClick);
    entry(edit, "mnuMeiListOutput", "銘柄ﾘｽﾄ出力", board(BoardEntry::ListOutput, 0));
    entry(edit, "mnuMeiListInput", "銘柄ﾘｽﾄ出力から入力", board(BoardEntry::ListInput, 0));
    edit->addSeparator();
    entry(edit, "mnuoption", "オプション", open(Screen::Option));
    entry(edit, "mnuErrMei", "エラー銘柄確認", open(Screen::ReadDelMei));
    entry(edit, "mnuZenjitusaKeisan", "前日比再計算", open(Screen::Zenjitusa));

    QMenu* chart = bar->addMenu(QStringLiteral("ﾁｬｰﾄ"));
    mnuchartdayandweek = entry(chart, "mnuchartdayandweek", "ﾁｬｰﾄTemp", &frmMain::cmdchangeClick);
    entry(chart, "mnuchartmonthly", "月足チャートを表示", &frmMain::showMonthlyChart);
    mnuchartslideshow = entry(chart, "mnuchartslideshow", "ﾁｬｰﾄｽﾗｲﾄﾞTemp", &frmMain::mnuchartslideshowClick);
    chart->addSeparator();
    // 分割調整: kept in Kestrel.ini at once; the shown chart is loaded again on the new basis.
    QAction* adjust = entry(chart, "mnuBunkatuChosei", "分割調整", [this](bool on) {
        m_context.settings.BunkatuChosei = on ? 1 : 0;
        m_context.syncSplitAdjust();
        if (Status st = writeProfileString(m_context.paths.iniPath, kIniSection, "BunkatuChosei", on ? "1" : "0"); !st)
            MessageBox::information(this, QString::fromStdString(st.message()));
        ShowIssue(true);
    });
    adjust->setCheckable(true);
    adjust->setChecked(m_context.splitAdjust);
    entry(chart, "mnuBunkatu", "株式分割", [this] { showSplitWindow(*this); });
    // 売買を表示: the ledger's lots on the chart, kept in Kestrel.ini at once.
    QAction* ledger = entry(chart, "mnuBaibaiChart", "売買を表示", [this](bool on) {
        m_context.settings.BaibaiChart = on ? 1 : 0;
        if (Status st = writeProfileString(m_context.paths.iniPath, kIniSection, "BaibaiChart", on ? "1" : "0"); !st)
            MessageBox::information(this, QString::fromStdString(st.message()));
        ShowIssue(true);
    });
    ledger->setCheckable(true);
    ledger->setChecked(m_context.settings.BaibaiChart != 0);

    buildTechnicalMenu(bar->addMenu(QStringLiteral("テクニカル")));

    QMenu* boards = bar->addMenu(QStringLiteral("株価ボード"));
    static const char* const kLetter[] = {"", "A", "B"};
    for (int b = 1; b <= 2; ++b) {
        auto name = [b](const char* part) { return std::string("mnuKabukaboard") + kLetter[b] + part; };
        auto text = [b](const char* before, const char* after) { return std::string(before) + kLetter[b] + after; };
        // The names and captions outlive the actions: QAction copies them.
        entry(boards, name("").c_str(), text("株価ボード", "表示").c_str(), [this, b] {
            HandOverText = QString::number(b);
            openScreen(Screen::Kabukaboard);
        });
        entry(boards, name("In").c_str(), text("株価ボード", "へ登録").c_str(), board(BoardEntry::Register, b));
        entry(boards, name("Del").c_str(), text("株価ボード", "から削除").c_str(), board(BoardEntry::Remove, b));
        entry(boards, name("List").c_str(), text("株価ボード", "を銘柄リストへ").c_str(), board(BoardEntry::ToList, b));
        entry(boards, name("TxtSave").c_str(), text("株価ボード", "を保存").c_str(), board(BoardEntry::SaveText, b));
        entry(boards, name("TxtLoad").c_str(), text("株価ボード", "を保存から入力").c_str(),
              board(BoardEntry::LoadText, b));
        boards->addSeparator();
    }
    entry(boards, "mnuAtoB", "株価ボードＡからＢへ移動", board(BoardEntry::Move, 1));
    entry(boards, "mnuBtoA", "株価ボードＢからＡへ移動", board(BoardEntry::Move, 2));

    QMenu* info = bar->addMenu(QStringLiteral("株式情報"));
    entry(info, "mnukabusikijyouhoopen", "株式情報表示", open(Screen::Information));
    // The kind-2 road with no mode: the download's result is shown after the window closes.
    entry(info, "mnuMeisyutoku", "株式情報取得", [this] { OpenReadScreen(2, QString()); });
    entry(info, "mnuJyohouList", "情報銘柄検索", &frmMain::mnuJyohouListClick);
    entry(info, "mnuScreening", "スクリーニング", &frmMain::openScreening);
    info->addSeparator();
    static const struct {
        const char* name;
        const char* caption;
        const char* letter;
    } kPages[] = {{"mnukyone", "株価今日の値動き", "a"}, {"mnukyosyosai", "株価詳細情報", "b"},
                  {"mnusyosai", "企業情報", "c"},        {"mnuBSPL", "BS・PL情報", "d"},
                  {"mnugyoseki", "業績推移", "e"},       {"mnuseityoritu", "成長率", "f"},
                  {"mnukeijiban", "掲示板", "g"}};
    // The pages that stay web pages are offered only with an address set in the options; their state
    // is read again each time the menu opens.
    info->setToolTipsVisible(true);
    std::vector<std::pair<QAction*, size_t>> webPages;
    for (const auto& p : kPages) {
        QAction* a = entry(info, p.name, p.caption, [this, letter = p.letter] { informationPage(letter); });
        for (size_t i = 0; i < kInfoPages.size(); ++i)
            if (std::string_view(kInfoPages[i].letter) == p.letter)
                webPages.emplace_back(a, i);
    }
    auto offerWebPages = [this, webPages] {
        const InfoPageTemplates templates = loadInfoPageTemplates(m_context.paths.iniPath);
        for (auto [a, i] : webPages) {
            const bool set = !templates[i].empty();
            a->setEnabled(set);
            a->setToolTip(set ? QString::fromStdString(templates[i]) : QString::fromUtf8(kInfoPageUnsetTip));
        }
    };
    offerWebPages();
    connect(info, &QMenu::aboutToShow, this, offerWebPages);

    QMenu* version = bar->addMenu(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    entry(version, "mnuabout", "ﾊﾞｰｼﾞｮﾝ情報", open(Screen::About));
    entry(version, "mnuGaibuRun", "外部ファイル実行", &frmMain::mnuGaibuRunClick);
    entry(version, "mnuOutsideInfoHP", "株式情報ホームページ",
          [this] { OpenWebPage(QString::fromStdString(m_context.settings.MURL)); });
    entry(version, "mnuHelp", "ヘルプ", &frmMain::mnuHelpClick);
}

void frmMain::buildTechnicalMenu(QMenu* menu) {
    // The technical set as kept in Kestrel.ini; a value that would not read is told and left default.
    chart::TechnicalView view;
    if (Status st = chart::loadTechnicalView(m_context.paths.iniPath, view); !st)
        MessageBox::information(this, QString::fromStdString(st.message()));
    m_chart->setTechnicalView(view);
    // Each overlay switched here or on the toolbar (the same action) in the chart's layout, kept in
    // Kestrel.ini's technical set at once.
    static const struct {
        const char* name;
        const char* caption;
        bool chart::TechnicalOverlays::*flag;
    } kOverlays[] = {{"mnuIchimoku", "一目均衡表", &chart::TechnicalOverlays::ichimoku},
                     {"mnuBollinger", "ボリンジャーバンド", &chart::TechnicalOverlays::bollinger},
                     {"mnuEnvelope", "エンベロープ", &chart::TechnicalOverlays::envelope},
                     {"mnuHlBand", "HLバンド", &chart::TechnicalOverlays::hlBand},
                     {"mnuParabolic", "パラボリック", &chart::TechnicalOverlays::sar},
                     {"mnuVolumeProfile", "価格帯別出来高", &chart::TechnicalOverlays::volumeProfile}};
    for (const auto& o : kOverlays) {
        QAction* a =
            entry(menu, o.name, o.caption, [this, flag = o.flag](bool on) { m_chart->setOverlaySwitch(flag, on); });
        a->setCheckable(true);
        a->setChecked(view.overlays.*(o.flag));
        m_technicalActions.push_back(a);
        m_overlayActions.emplace_back(a, o.flag);
    }
    menu->addSeparator();
    // The lower panel: the technical choices after the plain five (the CmdSRLRSI button steps through those).
    static const struct {
        const char* name;
        const char* caption;
        int mode;
    } kPanels[] = {{"mnuLowerMacd", "MACD", chart::kLowerMacd},
                   {"mnuLowerStoch", "ストキャスティクス", chart::kLowerStoch},
                   {"mnuLowerRci", "RCI", chart::kLowerRci},
                   {"mnuLowerDmi", "DMI/ADX", chart::kLowerDmi}};
    for (const auto& p : kPanels) {
        QAction* a = entry(menu, p.name, p.caption, [this, mode = p.mode] {
            m_chart->setLowerPanelMode(mode);
            m_chart->DrawChart(false);
        });
        m_technicalActions.push_back(a);
    }
    menu->addSeparator();
    // The chart's price scale and its named layouts (テンプレート) in Kestrel.ini.
    mnuLogScale = entry(menu, "mnuLogScale", "対数目盛", [this](bool on) { m_chart->setLogScale(on); });
    mnuLogScale->setCheckable(true);
    m_technicalActions.push_back(mnuLogScale);
    entry(menu, "mnuCompareSet", "比較銘柄を設定…", &frmMain::compareClick);
    entry(menu, "mnuCompareClear", "比較を解除", [this] { m_chart->setCompared({}); });
    entry(menu, "mnuTemplateSave", "テンプレートを保存", &frmMain::saveTemplateClick);
    entry(menu, "mnuTemplateLoad", "テンプレートを呼出", &frmMain::loadTemplateClick);
    entry(menu, "mnuTemplateDelete", "テンプレートを削除", &frmMain::deleteTemplateClick);
    connect(m_chart, &ChartPanel::switchesChanged, this, &frmMain::syncTechnicalMenu);
    menu->addSeparator();
    entry(menu, "mnuTechnicalSettings", "テクニカル設定", [this] {
        frmTechnical dialog(m_context.paths.iniPath, m_chart->technicalView(), this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        m_chart->setTechnicalView(dialog.view());
        ShowIssue(true);
    });
}

// The J-Quants road, always reachable: the issue master with the latest prices (the first-start window's
// fetch), the market's history in the background, and the connection test.
void frmMain::buildJQuantsMenu() {
    QMenu* jq = menuBar()->addMenu(QStringLiteral("J-Quants"));
    entry(jq, "mnuJQuantsLatest", "銘柄登録と最新の株価を取得", &frmMain::jquantsLatestClick);
    jq->addSeparator();
    entry(jq, "mnuJQuantsHistory", "履歴の取得", &frmMain::historyStartClick);
    // Pausing lets the day in hand finish; 履歴の取得 goes on from there.
    entry(jq, "mnuJQuantsHistoryPause", "履歴の取得を一時停止", [this] {
        if (!m_history->backfillRunning())
            return;
        m_history->pauseBackfill();
        StatusHistory->setText(StatusHistory->text().section(QStringLiteral("（"), 0, 0) +
                               QStringLiteral("（一時停止中）"));
    });
    entry(jq, "mnuJQuantsHistoryCancel", "履歴の取得を中止", [this] { m_history->cancelBackfill(); });
    jq->addSeparator();
    entry(jq, "mnuJQuantsTest", "接続テスト", &frmMain::jquantsTestClick);
}

void frmMain::buildToolbar() {
    Toolbar = new QToolBar(QStringLiteral("Toolbar"), this);
    Toolbar->setObjectName(QStringLiteral("Toolbar"));
    Toolbar->setMovable(false);
    Toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    addToolBar(Qt::TopToolBarArea, Toolbar);
    auto open = [this](Screen s) { return [this, s] { openScreen(s); }; };
    auto board = [this](BoardEntry e, int b) { return [this, e, b] { boardEntry(e, b); }; };
    auto trigger = [this](const char* name) { return [this, name] { action(QString::fromLatin1(name))->trigger(); }; };

    button("ChartButton", "ﾁｬｰﾄ", "選択した銘柄のチャートを表示", &frmMain::listMeiDblClick);
    button("ChartslideButton", "ｽﾗｲﾄﾞ", "チャート・スライドショー", &frmMain::ToggleSlideShow);
    button("ChartMonthlyButton", "月足", "月足チャートを表示", &frmMain::showMonthlyChart);
    Toolbar->addSeparator();
    button("LKboardAButton", "A→ﾘｽﾄ", "株価ボードAを銘柄リストへ", board(BoardEntry::ToList, 1));
    button("LKboardBButton", "B→ﾘｽﾄ", "株価ボードBを銘柄リストへ", board(BoardEntry::ToList, 2));
    button("inboardAButton", "A登録", "株価ボードAへ登録", board(BoardEntry::Register, 1));
    button("inboardBButton", "B登録", "株価ボードBへ登録", board(BoardEntry::Register, 2));
    button("KaboardAButton", "ﾎﾞｰﾄﾞA", "株価ボードA表示", [this] {
        HandOverText = QStringLiteral("1");
        openScreen(Screen::Kabukaboard);
    });
    button("KaboardBButton", "ﾎﾞｰﾄﾞB", "株価ボードB表示", [this] {
        HandOverText = QStringLiteral("2");
        openScreen(Screen::Kabukaboard);
    });
    Toolbar->addSeparator();
    button("KDMentButton", "株価編集", "株価ﾃﾞｰﾀｰ編集", trigger("mnuKabkaEdit"));
    button("MMentButton", "銘柄編集", "登録銘柄編集", open(Screen::EditMei));
    button("DMentButton", "調査", "株価ﾃﾞｰﾀｰ調査", open(Screen::Datament));
    button("DataDelButton", "削除", "株価ﾃﾞｰﾀｰ削除　変更", trigger("mnukabukaDeleteEdit"));
    button("OptionButton", "ｵﾌﾟｼｮﾝ", "オプション", open(Screen::Option));
    Toolbar->addSeparator();
    // The technical overlays and lower panels: the テクニカル menu's own actions.
    for (QAction* a : m_technicalActions)
        Toolbar->addAction(a);
    Toolbar->addSeparator();
    button("IntReadKabukaButton", "株価読込", "株価ﾃﾞｰﾀ読込", trigger("mnuReadData"));
    button("IntReadMeiButton", "銘柄読込", "ｲﾝﾀｰﾈｯﾄで銘柄登録読込み", trigger("mnuIntMeiRegistData"));
    button("IntReadinfodataButton", "情報取得", "株式情報取得", trigger("mnuMeisyutoku"));
    button("InfodataButton", "情報表示", "株式情報表示", trigger("mnukabusikijyouhoopen"));
    button("kabukanriButton", "売買管理", "株式売買管理", open(Screen::stockmarket));
}

void frmMain::showMonthlyChart() {
    if (m_context.chartMode == 3)
        return;
    m_context.chartMode = 3;
    SetModeCaption(this, m_context.chartMode, true);
    SetChangeButtonCaption(Cmdchange, m_context.chartMode);
    m_chart->DrawChartFrame();
    ShowIssue(true);
}

void frmMain::saveTemplateClick() {
    bool ok = false;
    const QString name =
        InputDialog::getText(this, QStringLiteral("テンプレートを保存"), QStringLiteral("名前"), QString(), &ok);
    if (!ok)
        return;
    if (Status st = chart::saveLayoutTemplate(m_context.paths.iniPath, name.toStdString(), m_chart->layout()); !st)
        MessageBox::information(this, QString::fromStdString(st.message()));
}

// A name of the listed templates, or empty when there are none or none was chosen.
QString frmMain::chooseTemplate(const QString& title) {
    QStringList names;
    for (const std::string& n : chart::layoutTemplates(m_context.paths.iniPath))
        names << QString::fromStdString(n);
    if (names.isEmpty()) {
        MessageBox::information(this, QStringLiteral("保存されたテンプレートがありません。"));
        return {};
    }
    bool ok = false;
    const QString name = InputDialog::getItem(this, title, QStringLiteral("名前"), names, &ok);
    return ok ? name : QString();
}

void frmMain::loadTemplateClick() {
    const QString name = chooseTemplate(QStringLiteral("テンプレートを呼出"));
    if (name.isEmpty())
        return;
    // A damaged template: told, and the chart's default layout. The comparison stays as it is.
    chart::SeriesLayout layout;
    if (Status st =
            chart::loadLayoutTemplate(m_context.paths.iniPath, name.toStdString(), layout, m_chart->defaultLayout());
        !st)
        MessageBox::information(this, QString::fromStdString(st.message()));
    layout.compare = m_chart->layout().compare;
    m_chart->applyLayout(layout);
}

void frmMain::syncTechnicalMenu() {
    const chart::TechnicalOverlays& on = m_chart->technicalView().overlays;
    for (auto [a, flag] : m_overlayActions)
        a->setChecked(on.*flag);
    mnuLogScale->setChecked(m_chart->layout().logScale);
}

void frmMain::compareClick() {
    QString current;
    for (std::int32_t c : m_chart->layout().compare)
        current += (current.isEmpty() ? QString() : QStringLiteral(",")) + QString::number(c);
    bool ok = false;
    const QString text =
        InputDialog::getText(this, QStringLiteral("比較銘柄を設定"),
                             QStringLiteral("比較する銘柄のコード（3銘柄まで、カンマか空白で区切る）"), current, &ok);
    if (!ok)
        return;
    std::vector<std::int32_t> codes;
    if (Status st = chart::parseCompareCodes(text.toStdString(), codes); !st) {
        MessageBox::information(this, QString::fromStdString(st.message()));
        return;
    }
    m_chart->setCompared(codes);
}

void frmMain::deleteTemplateClick() {
    const QString name = chooseTemplate(QStringLiteral("テンプレートを削除"));
    if (name.isEmpty())
        return;
    if (Status st = chart::deleteLayoutTemplate(m_context.paths.iniPath, name.toStdString()); !st)
        MessageBox::information(this, QString::fromStdString(st.message()));
}

} // namespace kestrel::ui
