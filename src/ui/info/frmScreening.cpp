#include "ui/info/frmScreening.h"

#include "core/app/DateText.h"
#include "core/app/Files.h"
#include "core/chart/TechnicalIni.h"
#include "core/scan/ScreenNames.h"
#include "ui/app/ColumnMenu.h"
#include "ui/app/DateBox.h"
#include "ui/app/FileDialog.h"
#include "ui/app/OpenDatabase.h"
#include "ui/app/Widgets.h"
#include "ui/db/BusyPrompt.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTableView>
#include <cmath>

namespace kestrel::ui {
namespace {

// The value columns: the field under its screen name, headed by its caption and that name.
struct Column {
    const char* field;
    const char* caption;
};
constexpr Column kColumns[] = {
    {"close", "終値"}, {"change", "前日比"},   {"volume", "出来高"}, {"ma1", "平均1"},  {"ma2", "平均2"},
    {"ma3", "平均3"},  {"dev1", "乖離1"},      {"dev2", "乖離2"},    {"dev3", "乖離3"}, {"psych", "ｻｲｺﾛ"},
    {"rsi", "RSI"},    {"vr", "VR"},           {"itoRatio", "伊藤"}, {"fitA", "曲線A"}, {"fitB", "曲線B"},
    {"fitC", "曲線C"}, {"vertexBars", "頂点"},
};

int fieldIndex(const char* name) {
    const auto& fields = scan::screenFields();
    for (size_t i = 0; i < fields.size(); ++i)
        if (std::string_view(fields[i].name) == name)
            return static_cast<int>(i);
    return -1;
}

// The role the grid sorts by: the value itself, while the cell shows its text.
constexpr int kSortRole = Qt::UserRole + 1;

// A value as the grid shows it (screenValueText) and sorts it (its number); none empty.
QStandardItem* valueItem(int field, const std::optional<Currency>& v) {
    auto* item = new QStandardItem;
    if (v) {
        item->setData(q(scan::screenValueText(field, *v)), Qt::DisplayRole);
        item->setData(v->toDouble(), kSortRole);
    }
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

QString dateText(Date d) {
    return q(shownDate(d));
}

} // namespace

frmScreening::frmScreening(AppContext& context, QListWidget* listMei, ShowChart showChart, QWidget* parent)
    : QDialog(parent), m_context(context), m_listMei(listMei), m_showChart(std::move(showChart)) {
    setObjectName(QStringLiteral("frmScreening"));
    setWindowTitle(QStringLiteral("スクリーニング"));

    txtCondition = named(new QLineEdit(this), "txtCondition");
    txtCondition->setPlaceholderText(QStringLiteral("例: rsi <= 30 and ito > 0 and vr >= 60"));
    cmdRun = button(this, "cmdRun", QStringLiteral("実行"));
    cmdNames = button(this, "cmdNames", QStringLiteral("?"));
    cmdNames->setToolTip(QStringLiteral("条件式に使える名前の一覧"));
    cmbScreens = named(new QComboBox(this), "cmbScreens");
    cmbScreens->setEditable(true);
    cmbScreens->setInsertPolicy(QComboBox::NoInsert);
    cmbScreens->setMinimumWidth(200);
    cmbScreens->lineEdit()->setPlaceholderText(QStringLiteral("保存する名前"));
    cmdSaveScreen = button(this, "cmdSaveScreen", QStringLiteral("名前を付けて保存"));
    cmdDeleteScreen = button(this, "cmdDeleteScreen", QStringLiteral("削除"));
    txtDate = named(new QLineEdit(this), "txtDate");
    txtDate->setMaximumWidth(110);
    installDateBox(txtDate, DateForm::Long);
    optDaily = named(new QRadioButton(QStringLiteral("日足"), this), "optDaily");
    optWeekly = named(new QRadioButton(QStringLiteral("週足"), this), "optWeekly");
    optMonthly = named(new QRadioButton(QStringLiteral("月足"), this), "optMonthly");
    optDaily->setChecked(true);

    m_model = new QStandardItemModel(this);
    m_model->setSortRole(kSortRole);
    QStringList headers{QStringLiteral("コード"), QStringLiteral("銘柄")};
    for (const Column& c : kColumns)
        headers << QString::fromUtf8(c.caption) + QLatin1Char('\n') + QLatin1String(c.field);
    m_model->setHorizontalHeaderLabels(headers);
    gridScreen = named(new QTableView(this), "gridScreen");
    gridScreen->setModel(m_model);
    gridScreen->setSelectionBehavior(QAbstractItemView::SelectRows);
    gridScreen->setSelectionMode(QAbstractItemView::SingleSelection);
    gridScreen->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gridScreen->setSortingEnabled(true);
    gridScreen->sortByColumn(-1, Qt::AscendingOrder); // code order until a header is clicked
    gridScreen->verticalHeader()->setDefaultSectionSize(20);
    gridScreen->horizontalHeader()->setDefaultSectionSize(62);
    gridScreen->setColumnWidth(1, 140);
    gridScreen->installEventFilter(this);
    lblCount = named(new QLabel(this), "lblCount");
    cmdMeiList = button(this, "cmdMeiList", QStringLiteral("銘柄リストに表示"));

    txtFrom = named(new QLineEdit(this), "txtFrom");
    txtTo = named(new QLineEdit(this), "txtTo");
    for (QLineEdit* e : {txtFrom, txtTo}) {
        e->setMaximumWidth(110);
        installDateBox(e, DateForm::Long);
    }
    txtHold = named(new QLineEdit(QStringLiteral("20"), this), "txtHold");
    txtHold->setMaximumWidth(50);
    installSelectAllText(txtHold);
    cmdHeld = button(this, "cmdHeld", QStringLiteral("過去に見つけた銘柄を検証"));
    cmdSaveCsv = button(this, "cmdSaveCsv", QStringLiteral("CSV保存"));
    cmdSaveCsv->setEnabled(false);
    lblSummary = named(new QLabel(this), "lblSummary");
    lblSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* condition = new QHBoxLayout;
    condition->addWidget(new QLabel(QStringLiteral("条件式"), this));
    condition->addWidget(txtCondition, 1);
    condition->addWidget(cmdRun);
    condition->addWidget(cmdNames);
    auto* options = new QHBoxLayout;
    options->addWidget(new QLabel(QStringLiteral("保存した条件"), this));
    options->addWidget(cmbScreens);
    options->addWidget(cmdSaveScreen);
    options->addWidget(cmdDeleteScreen);
    options->addStretch();
    options->addWidget(new QLabel(QStringLiteral("基準日"), this));
    options->addWidget(txtDate);
    options->addWidget(optDaily);
    options->addWidget(optWeekly);
    options->addWidget(optMonthly);
    auto* listLine = new QHBoxLayout;
    listLine->addWidget(lblCount);
    listLine->addStretch();
    listLine->addWidget(new QLabel(QStringLiteral("Enter・ダブルクリックでチャート表示"), this));
    listLine->addWidget(cmdMeiList);
    auto* held = new QHBoxLayout;
    held->addWidget(new QLabel(QStringLiteral("検証期間"), this));
    held->addWidget(txtFrom);
    held->addWidget(new QLabel(QStringLiteral("～"), this));
    held->addWidget(txtTo);
    held->addWidget(new QLabel(QStringLiteral("保有"), this));
    held->addWidget(txtHold);
    held->addWidget(new QLabel(QStringLiteral("営業日"), this));
    held->addWidget(cmdHeld);
    held->addWidget(cmdSaveCsv);
    held->addStretch();
    auto* layout = new QGridLayout(this);
    layout->addLayout(condition, 0, 0);
    layout->addLayout(options, 1, 0);
    layout->addWidget(gridScreen, 2, 0);
    layout->addLayout(listLine, 3, 0);
    layout->addLayout(held, 4, 0);
    layout->addWidget(lblSummary, 5, 0);
    layout->setRowStretch(2, 1);
    resize(1180, 620);             // inside a 1280×720 screen with its frame and the task bar
    offerColumnHiding(gridScreen); // a right-click on the captions hides columns to fit a narrow screen

    connect(cmdRun, &QPushButton::clicked, this, &frmScreening::cmdRunClick);
    connect(cmdNames, &QPushButton::clicked, this, [this] {
        WidgetPrompt(this).notify("条件式に使える名前（英語名または日本語名。[n] で n 本前の足）:\n" +
                                  scan::screenNamesHelp());
    });
    connect(txtCondition, &QLineEdit::returnPressed, this, &frmScreening::cmdRunClick);
    connect(cmbScreens, &QComboBox::activated, this, &frmScreening::screenChosen);
    connect(cmdSaveScreen, &QPushButton::clicked, this, &frmScreening::cmdSaveScreenClick);
    connect(cmdDeleteScreen, &QPushButton::clicked, this, &frmScreening::cmdDeleteScreenClick);
    connect(gridScreen, &QTableView::doubleClicked, this, &frmScreening::showCurrentChart);
    connect(cmdMeiList, &QPushButton::clicked, this, &frmScreening::cmdMeiListClick);
    connect(cmdHeld, &QPushButton::clicked, this, &frmScreening::cmdHeldClick);
    connect(cmdSaveCsv, &QPushButton::clicked, this, &frmScreening::cmdSaveCsvClick);
    connect(optWeekly, &QRadioButton::toggled, this, &frmScreening::fillDefaultDate);
    connect(optMonthly, &QRadioButton::toggled, this, &frmScreening::fillDefaultDate);

    loadScreenNames();
    fillDefaultDate();
    lblCount->setText(QStringLiteral("該当：0"));
}

std::string frmScreening::screensPath() const {
    return m_context.paths.programFolder + "/Screens.ini";
}

scan::ScanOptions frmScreening::options() const {
    scan::ScanOptions o;
    o.mode = optMonthly->isChecked()  ? chart::BarMode::Monthly
             : optWeekly->isChecked() ? chart::BarMode::Weekly
                                      : chart::BarMode::Daily;
    o.splitAdjust = m_context.splitAdjust;
    o.settings = chart::IndicatorSettings::from(m_context.settings);
    // The chart's technical periods (a value that does not read is told by the main window and left default).
    chart::TechnicalView technical;
    (void)chart::loadTechnicalView(m_context.paths.iniPath, technical);
    o.technical = technical.settings;
    return o;
}

void frmScreening::loadScreenNames() {
    WidgetPrompt prompt(this);
    std::vector<std::string> converted;
    auto saved = scan::loadScreens(screensPath(), &converted);
    const QString current = cmbScreens->currentText();
    cmbScreens->clear();
    if (!saved)
        return prompt.notify(saved.message());
    if (!converted.empty())
        prompt.notify(scan::screensConvertedNotice(converted));
    for (const auto& [name, condition] : *saved)
        cmbScreens->addItem(q(name), q(condition));
    cmbScreens->setCurrentIndex(cmbScreens->findText(current));
    cmbScreens->setEditText(current);
}

void frmScreening::screenChosen(int index) {
    if (index >= 0)
        txtCondition->setText(cmbScreens->itemData(index).toString());
}

// The latest stored day of the chosen bars; the box is left empty when there is none.
void frmScreening::fillDefaultDate() {
    auto db = openDatabaseOrTell(m_context.paths.databasePath, this, db::OpenMode::ReadOnly);
    if (!db)
        return;
    auto day = scan::screenDay(**db, options().mode, std::nullopt);
    if (!day)
        return WidgetPrompt(this).notify(day.message());
    txtDate->setText(*day ? dateText(**day) : QString());
    if (*day && txtTo->text().isEmpty()) {
        txtTo->setText(dateText(**day));
        txtFrom->setText(dateText((*day)->addDays(-365)));
    }
}

std::optional<scan::Screen> frmScreening::parsedCondition() {
    auto screen = scan::Screen::parse(txtCondition->text().trimmed().toStdString());
    if (!screen) {
        WidgetPrompt(this).notify(screen.message());
        txtCondition->setFocus();
        return std::nullopt;
    }
    return std::move(*screen);
}

void frmScreening::cmdRunClick() {
    auto screen = parsedCondition();
    if (!screen)
        return;
    std::optional<Date> asked;
    if (!txtDate->text().trimmed().isEmpty() && !(asked = Date::parseEntry(txtDate->text().trimmed().toStdString()))) {
        WidgetPrompt(this).notify("基準日を正しく入力して下さい。");
        txtDate->setFocus();
        return;
    }
    auto db = openDatabaseOrTell(m_context.paths.databasePath, this, db::OpenMode::ReadOnly);
    if (!db)
        return;
    BusyPrompt prompt(this);
    const scan::ScanOptions o = options();
    auto day = scan::screenDay(**db, o.mode, asked);
    if (!day)
        return prompt.notify(day.message());
    if (!*day)
        return prompt.notify("基準日からの表示するデーターがありません。");
    int faults = 0;
    auto rows = scan::runScreen(**db, o, *screen, **day, [&](std::int32_t, const Status&) { ++faults; });
    if (!rows)
        return prompt.notify(rows.message());
    m_day = **day;
    m_mode = o.mode;
    txtDate->setText(dateText(m_day));
    gridScreen->setSortingEnabled(false); // rows go in code order; the chosen sort is applied after
    m_model->removeRows(0, m_model->rowCount());
    // After the fixed columns, one for each technical value the screen names, then one for each company
    // figure it names.
    const int fixed = 2 + static_cast<int>(std::size(kColumns));
    const int technicals = static_cast<int>(screen->technicalNames().size());
    std::vector<int> finsFields;
    const auto named = screen->finsNamed();
    for (int i = 0; i < scan::kFinsFieldCount; ++i)
        if (named[static_cast<size_t>(i)])
            finsFields.push_back(scan::kFirstFinsField + i);
    m_model->setColumnCount(fixed + technicals + static_cast<int>(finsFields.size()));
    for (int t = 0; t < technicals; ++t) {
        const scan::ScreenTechnicalName& name = screen->technicalNames()[static_cast<size_t>(t)];
        m_model->setHorizontalHeaderItem(fixed + t,
                                         new QStandardItem(q(std::string(scan::technicalCaption(name.index))) +
                                                           QLatin1Char('\n') + q(name.label())));
    }
    for (size_t k = 0; k < finsFields.size(); ++k) {
        const scan::ScreenName& name = scan::screenNames()[static_cast<size_t>(finsFields[k])];
        m_model->setHorizontalHeaderItem(
            fixed + technicals + static_cast<int>(k),
            new QStandardItem(QString::fromUtf8(name.japanese) + QLatin1Char('\n') + QString::fromUtf8(name.name)));
    }
    for (const scan::ScreenMatch& m : *rows) {
        QList<QStandardItem*> cells;
        auto* code = new QStandardItem;
        code->setData(static_cast<qlonglong>(m.code), Qt::DisplayRole);
        code->setData(static_cast<qlonglong>(m.code), kSortRole);
        auto* name = new QStandardItem(q(m.name));
        name->setData(q(m.name), kSortRole);
        cells << code << name;
        for (const Column& c : kColumns) {
            const int f = fieldIndex(c.field);
            cells << valueItem(f, f >= 0 ? m.values[static_cast<size_t>(f)] : std::nullopt);
        }
        for (const auto& [name, value] : m.technical) {
            auto* item = new QStandardItem;
            item->setData(std::round(value * 100) / 100, Qt::DisplayRole);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            cells << item;
        }
        for (int f : finsFields) {
            QStandardItem* item = valueItem(f, m.values[static_cast<size_t>(f)]);
            if (!m.values[static_cast<size_t>(f)])
                item->setData(QStringLiteral("−"), Qt::DisplayRole); // no value as of the day
            cells << item;
        }
        m_model->appendRow(cells);
    }
    gridScreen->setSortingEnabled(true);
    lblCount->setText(QStringLiteral("%1 %2  該当：%3")
                          .arg(dateText(m_day), m_mode == chart::BarMode::Monthly  ? QStringLiteral("月足")
                                                : m_mode == chart::BarMode::Weekly ? QStringLiteral("週足")
                                                                                   : QStringLiteral("日足"))
                          .arg(rows->size()));
    if (faults > 0)
        lblCount->setText(lblCount->text() + QStringLiteral("（チャートを読めない %1 銘柄を除く）").arg(faults));
    if (m_model->rowCount() > 0)
        gridScreen->selectRow(0);
}

void frmScreening::showCurrentChart() {
    const int row = gridScreen->currentIndex().row();
    if (row < 0 || !m_showChart)
        return;
    m_showChart(static_cast<std::int32_t>(m_model->index(row, 0).data().toLongLong()), m_day, m_mode);
}

void frmScreening::cmdMeiListClick() {
    if (!m_listMei)
        return;
    std::vector<std::pair<std::int32_t, std::string>> issues;
    for (int r = 0; r < m_model->rowCount(); ++r)
        issues.emplace_back(static_cast<std::int32_t>(m_model->index(r, 0).data().toLongLong()),
                            m_model->index(r, 1).data().toString().toStdString());
    auto db = openDatabaseOrTell(m_context.paths.databasePath, this, db::OpenMode::ReadOnly);
    if (!db)
        return;
    auto rows = scan::screenIssueListRows(**db, issues);
    if (!rows)
        return WidgetPrompt(this).notify(rows.message());
    m_listMei->clear();
    for (const std::string& row : *rows)
        m_listMei->addItem(q(row));
    if (m_listMei->count() > 0)
        m_listMei->setCurrentRow(0);
}

void frmScreening::cmdSaveScreenClick() {
    const QString name = cmbScreens->currentText().trimmed();
    WidgetPrompt prompt(this);
    if (name.isEmpty()) {
        prompt.notify("保存する名前を入力して下さい。");
        cmbScreens->setFocus();
        return;
    }
    const bool exists = cmbScreens->findText(name) >= 0;
    if (exists && !prompt.askYesNo("「" + name.toStdString() + "」を今の条件式で置き換えます　よろしいですか？"))
        return;
    if (Status st = scan::saveScreen(screensPath(), name.toStdString(), txtCondition->text().trimmed().toStdString());
        !st)
        return prompt.notify(st.message());
    cmbScreens->setEditText(name);
    loadScreenNames();
}

void frmScreening::cmdDeleteScreenClick() {
    const QString name = cmbScreens->currentText().trimmed();
    WidgetPrompt prompt(this);
    if (cmbScreens->findText(name) < 0) {
        prompt.notify("削除する条件を選んで下さい。");
        return;
    }
    if (!prompt.askYesNo("「" + name.toStdString() + "」を削除します　よろしいですか？"))
        return;
    if (Status st = scan::deleteScreen(screensPath(), name.toStdString()); !st)
        return prompt.notify(st.message());
    cmbScreens->setEditText(QString());
    loadScreenNames();
}

void frmScreening::cmdHeldClick() {
    auto screen = parsedCondition();
    if (!screen)
        return;
    WidgetPrompt prompt(this);
    const auto from = Date::parseEntry(txtFrom->text().trimmed().toStdString());
    const auto to = Date::parseEntry(txtTo->text().trimmed().toStdString());
    if (!from || !to || *to < *from) {
        prompt.notify("検証期間を正しく入力して下さい（開始日 ≦ 終了日）。");
        (from ? txtTo : txtFrom)->setFocus();
        return;
    }
    bool ok = false;
    const int hold = txtHold->text().trimmed().toInt(&ok);
    if (!ok || hold < 1 || hold > 9999) {
        prompt.notify("保有日数には 1 以上の営業日数を入力して下さい。");
        txtHold->setFocus();
        return;
    }
    auto db = openDatabaseOrTell(m_context.paths.databasePath, this, db::OpenMode::ReadOnly);
    if (!db)
        return;
    QProgressDialog progress(QStringLiteral("検証中…"), QStringLiteral("中止"), 0, 1, this);
    progress.setObjectName(QStringLiteral("progressHeld"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    auto result = scan::runHeld(**db, options(), *screen, *from, *to, hold, {}, [&](int done, int total) {
        progress.setMaximum(total);
        progress.setValue(done); // lets the window paint and the cancel button answer
        return !progress.wasCanceled();
    });
    progress.reset();
    m_held.reset();
    cmdSaveCsv->setEnabled(false);
    if (!result) {
        lblSummary->setText(result.status().code() == StatusCode::Cancelled ? q(result.message()) : QString());
        if (result.status().code() != StatusCode::Cancelled)
            prompt.notify(result.message());
        return;
    }
    lblSummary->setText(q(scan::heldSummaryText(*result, hold)).trimmed());
    m_held = std::move(*result);
    cmdSaveCsv->setEnabled(!m_held->rows.empty());
}

void frmScreening::cmdSaveCsvClick() {
    if (!m_held)
        return;
    const QString path = FileDialog::getSaveFileName(this, QStringLiteral("検証結果の保存"),
                                                     q(m_context.paths.dataFolder) + QStringLiteral("/screen.csv"),
                                                     QStringLiteral("CSVファイル (*.csv)"));
    if (path.isEmpty())
        return;
    WidgetPrompt prompt(this);
    if (Status st = writeFileAtomically(path.toStdString(), scan::heldToCsv(*m_held)); !st)
        return prompt.notify(st.message());
    prompt.notify(path.toStdString() + " に " + std::to_string(m_held->rows.size()) + " 件を保存しました。");
}

bool frmScreening::eventFilter(QObject* watched, QEvent* event) {
    if (watched == gridScreen && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            showCurrentChart();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmScreening::keyPressEvent(QKeyEvent* event) {
    // Enter belongs to the box or grid that has the focus; only Esc acts on the window (it closes).
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return;
    QDialog::keyPressEvent(event);
}

} // namespace kestrel::ui
