#include "ui/app/frmOption.h"

#include "core/settings/OptionRules.h"
#include "ui/app/DateBox.h"
#include "ui/app/FileDialog.h"
#include "ui/app/JQuantsOptions.h"
#include "ui/app/MessageBox.h"
#include "ui/app/Widgets.h"
#include "ui/app/WindowFit.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace kestrel::ui {
namespace {

std::string s(const QString& q) {
    return q.toStdString();
}

} // namespace

frmOption::frmOption(AppContext& context, QWidget* parent) : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("frmOption"));
    setWindowTitle(QStringLiteral("ｵﾌﾟｼｮﾝ"));

    auto* chartMode = named(new QGroupBox(QStringLiteral("ﾁｬｰﾄ表示ﾓｰﾄﾞ"), this), "FrmChartMode");
    Option1 = named(new QRadioButton(QStringLiteral("ハッキリクッキリモード"), chartMode), "Option1");
    Option2 = named(new QRadioButton(QStringLiteral("淡色ﾓｰﾄﾞ"), chartMode), "Option2");
    auto* cm = new QVBoxLayout(chartMode);
    cm->addWidget(Option1);
    cm->addWidget(Option2);

    auto edit = [this](const char* name) {
        auto* e = named(new QLineEdit(this), name);
        installSelectAllText(e);
        return e;
    };
    slidechart = edit("slidechart");
    move1 = edit("move1");
    move2 = edit("move2");
    move3 = edit("move3");
    SaicoL = edit("SaicoL");
    RSIVR = edit("RSIVR");
    TxtUrl = edit("TxtUrl");
    TxtQuoteHost = edit("TxtQuoteHost");
    sonekipa = edit("sonekipa");
    TxthidiFold = edit("TxthidiFold");
    TxtsinyoFold = edit("TxtsinyoFold");
    ChkRDel = named(new QCheckBox(QStringLiteral("株価データーを削除して読み込む"), this), "ChkRDel");
    ChkMakeSyu = named(new QCheckBox(QStringLiteral("金曜の株価読込時に週ﾃﾞｰﾀを作成する"), this), "ChkMakeSyu");
    CmbShinyo = named(new QComboBox(this), "CmbShinyo");
    CmbShinyo->setEditable(true);
    CmbShinyo->addItems(
        {QStringLiteral("しない"), QStringLiteral("水曜"), QStringLiteral("木曜"), QStringLiteral("金曜")});
    CmbDelJyoho = named(new QComboBox(this), "CmbDelJyoho");
    CmbDelJyoho->setEditable(true);
    for (const char* item : {"0", "5", "15", "20", "25", "30", "60", "120", "180"})
        CmbDelJyoho->addItem(QString::fromLatin1(item));
    CmbJyohoSource = named(new QComboBox(this), "CmbJyohoSource");
    CmbJyohoSource->addItems({QString::fromUtf8(kInfoSourceServer), QString::fromUtf8(kInfoSourceComputed)});
    CmdPath = button(this, "CmdPath", QStringLiteral("参照..."));
    CmdPath2 = button(this, "CmdPath2", QStringLiteral("参照..."));

    auto* allIto = new QGroupBox(QStringLiteral("ALLの時伊藤レシオの表示"), this);
    Option6 = named(new QRadioButton(QStringLiteral("表示しない"), allIto), "Option6");
    Option7 = named(new QRadioButton(QStringLiteral("表示する"), allIto), "Option7");
    auto* al = new QHBoxLayout(allIto);
    al->addWidget(Option6);
    al->addWidget(Option7);
    auto* ito = new QGroupBox(QStringLiteral("伊藤ﾚｼｵの為の採用移動平均線"), this);
    Option3 = named(new QRadioButton(QStringLiteral("短期"), ito), "Option3");
    Option4 = named(new QRadioButton(QStringLiteral("中期"), ito), "Option4");
    Option5 = named(new QRadioButton(QStringLiteral("長期"), ito), "Option5");
    auto* il = new QHBoxLayout(ito);
    il->addWidget(Option3);
    il->addWidget(Option4);
    il->addWidget(Option5);

    // The rows scroll inside the dialog, which opens no taller than a 1280x720 screen's room.
    auto* page = new QWidget(this);
    auto* grid = new QGridLayout(page);
    int r = 0;
    auto row = [&](const QString& label, QWidget* w, QWidget* extra = nullptr) {
        grid->addWidget(new QLabel(label, this), r, 0);
        grid->addWidget(w, r, 1);
        if (extra)
            grid->addWidget(extra, r, 2);
        ++r;
    };
    grid->addWidget(chartMode, r++, 0, 1, 3);
    row(QStringLiteral("ﾁｬｰﾄｽﾗｲﾄﾞｼｮｰ表示間隔"), slidechart, new QLabel(QStringLiteral("秒"), this));
    grid->addWidget(new QLabel(QStringLiteral("60秒以上0.5秒未満は登録できません。"), this), r++, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("株価移動平均線"), this), r++, 0);
    row(QStringLiteral("短期移動平均線"), move1);
    row(QStringLiteral("中期移動平均線"), move2);
    row(QStringLiteral("長期移動平均線"), move3);
    row(QStringLiteral("ｻｲｺﾛｼﾞｶﾙﾗｲﾝ"), SaicoL);
    row(QStringLiteral("RSI　VR"), RSIVR);
    row(QStringLiteral("URL"), TxtUrl);
    row(QStringLiteral("株価ボード取得先"), TxtQuoteHost);
    grid->addWidget(new QLabel(QStringLiteral("株価データーを読み込む時 読込日の"), this), r, 0);
    grid->addWidget(ChkRDel, r++, 1, 1, 2);
    row(QStringLiteral("損益分岐点簡易計算"), sonekipa, new QLabel(QStringLiteral("%"), this));
    row(QStringLiteral("日々データーフォルダ"), TxthidiFold, CmdPath);
    row(QStringLiteral("週残データーフォルダ"), TxtsinyoFold, CmdPath2);
    grid->addWidget(ChkMakeSyu, r++, 1, 1, 2);
    row(QStringLiteral("株価データ読込時信用残自動読込"), CmbShinyo);
    row(QStringLiteral("日以前の株価情報自動削除"), CmbDelJyoho);
    row(QStringLiteral("株価情報の取得元"), CmbJyohoSource);
    grid->addWidget(allIto, r++, 0, 1, 3);
    grid->addWidget(ito, r++, 0, 1, 3);
    // The web pages of the 株式情報 menu: an address per page, {code} standing for the code.
    auto* pages =
        named(new QGroupBox(QStringLiteral("株式情報ページ（URL、{code} が銘柄コードに置き換わります）"), this),
              "FrmInfoPages");
    auto* pl = new QGridLayout(pages);
    const InfoPageTemplates templates = loadInfoPageTemplates(m_context.paths.iniPath);
    for (size_t i = 0; i < kInfoPages.size(); ++i) {
        TxtInfoPage[i] = named(new QLineEdit(q(templates[i]), pages), kInfoPages[i].key);
        TxtInfoPage[i]->setPlaceholderText(QStringLiteral("https://…{code}…"));
        pl->addWidget(new QLabel(QString::fromUtf8(kInfoPages[i].caption), pages), static_cast<int>(i), 0);
        pl->addWidget(TxtInfoPage[i], static_cast<int>(i), 1);
    }
    grid->addWidget(pages, r++, 0, 1, 3);
    jquants = new JQuantsOptionsBox(m_context.paths.iniPath, this);
    grid->addWidget(jquants, r++, 0, 1, 3);
    fitInScrollArea(this, page);

    connect(CmdPath, &QPushButton::clicked, this, [this] {
        TxthidiFold->setText(BrowseFolder(this, TxthidiFold->text(), QStringLiteral("日々データーフォルダ選択")));
    });
    connect(CmdPath2, &QPushButton::clicked, this, [this] {
        TxtsinyoFold->setText(BrowseFolder(this, TxtsinyoFold->text(), QStringLiteral("週残データーフォルダ選択")));
    });

    OptionControls c = optionControlsFor(context.settings);
    (c.Option1 ? Option1 : Option2)->setChecked(true);
    slidechart->setText(q(c.slidechart));
    move1->setText(q(c.move1));
    move2->setText(q(c.move2));
    move3->setText(q(c.move3));
    SaicoL->setText(q(c.SaicoL));
    RSIVR->setText(q(c.RSIVR));
    TxtUrl->setText(q(c.TxtUrl));
    TxtQuoteHost->setText(q(c.TxtQuoteHost));
    ChkRDel->setChecked(c.ChkRDel);
    sonekipa->setText(q(c.sonekipa));
    TxthidiFold->setText(q(c.TxthidiFold));
    TxtsinyoFold->setText(q(c.TxtsinyoFold));
    ChkMakeSyu->setChecked(c.ChkMakeSyu);
    CmbShinyo->setCurrentText(q(c.CmbShinyo));
    CmbDelJyoho->setCurrentText(q(c.CmbDelJyoho));
    CmbJyohoSource->setCurrentText(q(c.CmbJyohoSource));
    (c.allItoOption == 7 ? Option7 : Option6)->setChecked(true);
    (c.itoOption == 4 ? Option4 : c.itoOption == 5 ? Option5 : Option3)->setChecked(true);
}

void frmOption::done(int result) {
    saveOnUnload();
    QDialog::done(result);
}

void frmOption::saveOnUnload() {
    if (m_saved)
        return;
    m_saved = true;
    OptionControls c;
    c.Option1 = Option1->isChecked();
    c.slidechart = s(slidechart->text());
    c.move1 = s(move1->text());
    c.move2 = s(move2->text());
    c.move3 = s(move3->text());
    c.SaicoL = s(SaicoL->text());
    c.RSIVR = s(RSIVR->text());
    c.TxtUrl = s(TxtUrl->text());
    c.TxtQuoteHost = s(TxtQuoteHost->text());
    c.ChkRDel = ChkRDel->isChecked();
    c.sonekipa = s(sonekipa->text());
    c.TxthidiFold = s(TxthidiFold->text());
    c.TxtsinyoFold = s(TxtsinyoFold->text());
    c.ChkMakeSyu = ChkMakeSyu->isChecked();
    c.CmbShinyo = s(CmbShinyo->currentText());
    c.CmbDelJyoho = s(CmbDelJyoho->currentText());
    c.CmbJyohoSource = s(CmbJyohoSource->currentText());
    c.allItoOption = Option6->isChecked() ? 6 : Option7->isChecked() ? 7 : 0;
    c.itoOption = Option3->isChecked() ? 3 : Option4->isChecked() ? 4 : Option5->isChecked() ? 5 : 0;
    SettingsText t = repairOptionControls(c, m_context.settings.MURL);

    // The repairs show in the controls themselves.
    slidechart->setText(q(t.slidechart));
    move1->setText(q(t.move1));
    move2->setText(q(t.move2));
    move3->setText(q(t.move3));
    SaicoL->setText(q(t.SaicoL));
    RSIVR->setText(q(t.RSIVR));
    sonekipa->setText(q(t.SonPa));
    CmbShinyo->setCurrentText(q(t.ReadSinyo));
    CmbDelJyoho->setCurrentText(q(t.DelJyoho));

    t.BunkatuChosei = settingsToText(m_context.settings).BunkatuChosei; // switched in the chart menu
    WidgetPrompt prompt(this);
    SaveSettings(m_context.paths.iniPath, t, false, prompt);
    LoadSettings(m_context.paths.iniPath, m_context.settings, prompt);
    m_context.syncSplitAdjust();
    jquants->save(prompt);
    InfoPageTemplates templates;
    for (size_t i = 0; i < kInfoPages.size(); ++i)
        templates[i] = s(TxtInfoPage[i]->text());
    if (Status st = saveInfoPageTemplates(m_context.paths.iniPath, templates); !st)
        prompt.notify(st.message());
}

} // namespace kestrel::ui
