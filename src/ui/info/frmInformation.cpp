#include "ui/info/frmInformation.h"

#include "core/db/Schema.h"
#include "core/settings/IniFile.h"
#include "core/settings/Settings.h"
#include "ui/app/ColumnMenu.h"
#include "ui/app/MessageBox.h"
#include "ui/app/OpenDatabase.h"
#include "ui/app/Widgets.h"
#include "ui/info/InfoTableModel.h"
#include "ui/info/frmJyohoList.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>

namespace kestrel::ui {
namespace {

const QStringList kRowHeaders =
    headerList({"順位", "コード", "市場", "銘柄", "種類コード", "日付", "株価", "出来高", "前日比", "値"});
const QStringList kRatedHeaders = kRowHeaders + headerList({"現株価", "現比"});
const QColor kFilterColour(192, 0, 0);

QTableView* grid(QWidget* parent, const char* name, QAbstractItemModel* model) {
    auto* g = named(new QTableView(parent), name);
    g->setModel(model);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->verticalHeader()->setDefaultSectionSize(20);
    return g;
}

// Makes row the grid's current row without announcing it.
void placeQuietly(QTableView* g, int row) {
    QSignalBlocker block(g->selectionModel());
    g->selectionModel()->setCurrentIndex(g->model()->index(row, 0),
                                         QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

} // namespace

frmInformation::frmInformation(AppContext& context, QString& handOverText, QListWidget* listMei, QWidget* parent)
    : QDialog(parent), m_context(context), m_handOverText(handOverText), m_listMei(listMei),
      m_ageReference(Date::today()) {
    setObjectName(QStringLiteral("frmInformation"));
    setWindowTitle(QStringLiteral("株式情報"));
    m_kinds = new InfoTableModel(headerList({"種類コード", "種類名"}), this);
    m_dates = new InfoTableModel(headerList({"種類コード", "日付", "コメント"}), this);
    m_rows = new InfoTableModel(kRowHeaders, this);
    DatainformationClass = named(new QLabel(QStringLiteral("株式情報種類"), this), "DatainformationClass");
    DBGridnformationClass = grid(this, "DBGridnformationClass", m_kinds);
    DatainformationDataList = named(new QLabel(QStringLiteral("日付"), this), "DatainformationDataList");
    DBGridinformationDataList = grid(this, "DBGridinformationDataList", m_dates);
    DatainformationData = named(new QLabel(QStringLiteral("ﾗﾝｷﾝｸﾞ"), this), "DatainformationData");
    DBGridinformationData = grid(this, "DBGridinformationData", m_rows);

    Txten = named(new QComboBox(this), "Txten");
    Txten->setEditable(true);
    for (int v : {300, 500, 600, 700, 800, 900, 1000, 1200, 1400, 1800, 2000})
        Txten->addItem(QString::number(v));
    Txtdekidaka = named(new QLineEdit(this), "Txtdekidaka");
    CmdFilter = named(new QPushButton(QStringLiteral("に絞って表示"), this), "CmdFilter");
    TxtHi = named(new QComboBox(this), "TxtHi");
    TxtHi->setEditable(true);
    for (int v : {5, 10, 15, 20, 25, 30})
        TxtHi->addItem(QString::number(v));
    CmdHiGenKabuka = named(new QPushButton(QStringLiteral("日　現株価"), this), "CmdHiGenKabuka");
    CmdGenKabuka = named(new QPushButton(QStringLiteral("現株価"), this), "CmdGenKabuka");
    CmdDelete = named(new QPushButton(QStringLiteral("日付削除"), this), "CmdDelete");
    CmdinformationClassDel =
        named(new QPushButton(QStringLiteral("種類とデーターを削除"), this), "CmdinformationClassDel");
    CmdMeiList = named(new QPushButton(QStringLiteral("銘柄リストに表示終了"), this), "CmdMeiList");
    LalHani = named(new QLabel(this), "LalHani");
    LblKensu = named(new QLabel(this), "LblKensu");
    Lblkeisantyu = named(new QLabel(QStringLiteral("計算中"), this), "Lblkeisantyu");
    Lblkeisantyu->setStyleSheet(QStringLiteral("background: #ffff80; border: 1px solid #808000; padding: 2px;"));
    Lblkeisantyu->hide();
    Label5 = named(new QLabel(QStringLiteral("市場　1：東証１部　2：東証２部　3：店頭"), this), "Label5");
    Label4 = named(new QLabel(QStringLiteral("Ctrl+Kで銘柄リスト表示"), this), "Label4");

    auto* filter = new QHBoxLayout;
    filter->addWidget(new QLabel(QStringLiteral("株価"), this));
    filter->addWidget(Txten);
    filter->addWidget(new QLabel(QStringLiteral("円以下　出来高"), this));
    filter->addWidget(Txtdekidaka);
    filter->addWidget(new QLabel(QStringLiteral("以上"), this));
    filter->addWidget(CmdFilter);
    filter->addStretch();
    filter->addWidget(TxtHi);
    filter->addWidget(CmdHiGenKabuka);
    filter->addWidget(CmdGenKabuka);
    auto* buttons = new QHBoxLayout;
    for (QWidget* w :
         {static_cast<QWidget*>(LalHani), static_cast<QWidget*>(LblKensu), static_cast<QWidget*>(Lblkeisantyu)})
        buttons->addWidget(w);
    buttons->addStretch();
    buttons->addWidget(CmdDelete);
    buttons->addWidget(CmdinformationClassDel);
    buttons->addWidget(CmdMeiList);
    auto* layout = new QGridLayout(this);
    layout->addWidget(DatainformationClass, 0, 0);
    layout->addWidget(DBGridnformationClass, 1, 0);
    layout->addWidget(DatainformationDataList, 2, 0);
    layout->addWidget(DBGridinformationDataList, 3, 0);
    layout->addWidget(DatainformationData, 0, 1);
    layout->addWidget(DBGridinformationData, 1, 1, 3, 1);
    layout->addLayout(filter, 4, 0, 1, 2);
    layout->addLayout(buttons, 5, 0, 1, 2);
    layout->addWidget(Label5, 6, 0);
    layout->addWidget(Label4, 6, 1);
    layout->setColumnStretch(1, 3);
    resize(980, 620);
    offerColumnHiding(DBGridinformationData); // a right-click on the captions hides columns to fit a narrow screen

    connect(DBGridnformationClass->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &frmInformation::kindChosen);
    connect(DBGridinformationDataList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &frmInformation::dateChosen);
    connect(CmdFilter, &QPushButton::clicked, this, &frmInformation::cmdFilterClick);
    connect(CmdGenKabuka, &QPushButton::clicked, this, &frmInformation::cmdGenKabukaClick);
    connect(CmdHiGenKabuka, &QPushButton::clicked, this, &frmInformation::cmdHiGenKabukaClick);
    connect(CmdDelete, &QPushButton::clicked, this, &frmInformation::cmdDeleteClick);
    connect(CmdinformationClassDel, &QPushButton::clicked, this, &frmInformation::cmdinformationClassDelClick);
    connect(CmdMeiList, &QPushButton::clicked, this, &frmInformation::cmdMeiListClick);
    for (QTableView* g : {DBGridnformationClass, DBGridinformationDataList, DBGridinformationData})
        g->installEventFilter(this);

    // Load: the filter boxes as last closed, and the age reference of the old-list pruning.
    const std::string& ini = m_context.paths.iniPath;
    Txten->setEditText(q(readProfileString(ini, kIniSection, "FilterGaku")));
    Txtdekidaka->setText(q(readProfileString(ini, kIniSection, "FilterDekidaka")));
    TxtHi->setEditText(q(readProfileString(ini, kIniSection, "JyohoHi")));
    if (m_context.settings.DelJyoho > 0) {
        auto db = db::openKestrelDatabase(m_context.paths.databasePath);
        auto ref = db ? info::ageReference(**db) : Result<Date>(db.status());
        if (ref)
            m_ageReference = *ref;
        else
            MessageBox::information(this, q(ref.message()));
    }
    showRows();
}

void frmInformation::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        activate();
    }
}

void frmInformation::activate() {
    auto db = db::openKestrelDatabase(m_context.paths.databasePath);
    auto kinds = db ? info::loadKinds(**db) : Result<std::vector<info::InfoKind>>(db.status());
    if (!kinds) {
        MessageBox::information(this, q(kinds.message()));
        return;
    }
    std::vector<std::vector<QVariant>> rows;
    int found = -1;
    for (const info::InfoKind& k : *kinds) {
        if (q(k.code) == m_kindCode)
            found = static_cast<int>(rows.size());
        rows.push_back({q(k.code), q(k.name)});
    }
    bool same = found >= 0 && !m_dates->cell(0, 0).isNull();
    m_kinds->setRows(std::move(rows));
    if (found >= 0 && same) {
        placeQuietly(DBGridnformationClass, found);
        return;
    }
    if (m_kinds->rowCount() > 0)
        placeQuietly(DBGridnformationClass, found >= 0 ? found : 0);
    kindChosen();
}

QString frmInformation::chosenKind() const {
    int row = DBGridnformationClass->selectionModel()->currentIndex().row();
    return m_kinds->cell(row, 0).toString();
}

std::optional<Date> frmInformation::chosenDate() const {
    int row = DBGridinformationDataList->selectionModel()->currentIndex().row();
    return Date::parse(m_dates->cell(row, 1).toString().toStdString());
}

void frmInformation::kindChosen() {
    m_kindCode = chosenKind();
    std::vector<std::vector<QVariant>> rows;
    if (!m_kindCode.isEmpty()) {
        auto db = db::openKestrelDatabase(m_context.paths.databasePath);
        auto dates =
            db ? info::loadDates(**db, m_kindCode.toStdString()) : Result<std::vector<info::InfoDate>>(db.status());
        if (!dates)
            MessageBox::information(this, q(dates.message()));
        else
            for (const info::InfoDate& d : *dates)
                rows.push_back({q(d.kind), q(d.date.toYYMMDD()), q(d.comment)});
    }
    m_dates->setRows(std::move(rows));
    if (m_dates->rowCount() > 0)
        placeQuietly(DBGridinformationDataList, 0);
    dateChosen();
}

void frmInformation::dateChosen() {
    int row = DBGridinformationDataList->selectionModel()->currentIndex().row();
    auto d = chosenDate();
    m_view = {};
    if (d) {
        m_view.kind = m_dates->cell(row, 0).toString().toStdString();
        m_view.last = *d;
    }
    LalHani->setText(d ? q(d->toYYMMDD()) : QString());
    showRows();
}

void frmInformation::showRows() {
    m_shown.clear();
    if (m_view.chosen()) {
        auto db = db::openKestrelDatabase(m_context.paths.databasePath);
        auto rows = db ? info::loadRows(**db, m_view) : Result<std::vector<info::InfoRow>>(db.status());
        if (rows)
            m_shown = std::move(*rows);
        else
            MessageBox::information(this, q(rows.message()));
    }
    m_rows->setHeaders(m_view.rated ? kRatedHeaders : kRowHeaders);
    std::vector<std::vector<QVariant>> cells;
    for (const info::InfoRow& r : m_shown) {
        std::vector<QVariant> c = {r.rank,
                                   r.code,
                                   r.market ? QVariant(*r.market) : QVariant(QString()),
                                   q(r.name),
                                   q(r.kind),
                                   q(r.date.toYYMMDD()),
                                   r.price,
                                   QVariant::fromValue(r.volume.toDouble()),
                                   r.change,
                                   q(r.value)};
        if (m_view.rated) {
            c.push_back(r.current ? QVariant(*r.current) : QVariant(QString()));
            c.push_back(r.ratio ? QVariant(r.ratio->toDouble()) : QVariant(QString()));
        }
        cells.push_back(std::move(c));
    }
    m_rows->setRows(std::move(cells));
    LblKensu->setText(QStringLiteral("件数：") + QString::number(m_shown.size()));
    markFilter();
}

void frmInformation::markFilter() {
    for (QWidget* box : {static_cast<QWidget*>(Txten->lineEdit()), static_cast<QWidget*>(Txtdekidaka)}) {
        QPalette p = box->palette();
        p.setColor(QPalette::Text, m_view.maxPrice ? kFilterColour : QApplication::palette().color(QPalette::Text));
        box->setPalette(p);
    }
}

void frmInformation::cmdFilterClick() {
    if (!isNumeric(Txten->currentText().toStdString())) {
        MessageBox::information(this, QString::fromUtf8(info::kEnterAmount));
        Txten->setFocus();
        return;
    }
    if (!m_view.chosen()) {
        showRows();
        return;
    }
    auto v = info::filterView(m_view, Txten->currentText().toStdString(), Txtdekidaka->text().toStdString());
    if (v)
        m_view = *v;
    showRows();
}

Date frmInformation::rateSpan(const std::string& kind, Date last, int days) {
    Lblkeisantyu->show();
    Lblkeisantyu->repaint(); // the rating holds the event loop until it ends
    QApplication::setOverrideCursor(Qt::WaitCursor);
    using FirstDate = Result<std::optional<Date>>;
    auto db = db::openKestrelDatabase(m_context.paths.databasePath);
    auto first = !db        ? FirstDate(db.status())
                 : days > 0 ? info::firstOfLastDates(**db, kind, last, days)
                            : FirstDate(std::optional<Date>(last));
    const Date from = first && *first ? **first : last;
    auto rated = first ? info::rateRows(**db, kind, from, last) : Result<int>(first.status());
    QApplication::restoreOverrideCursor();
    Lblkeisantyu->hide();
    if (!rated)
        MessageBox::information(this, q(rated.message()));
    return from;
}

void frmInformation::cmdGenKabukaClick() {
    if (!m_view.chosen()) {
        MessageBox::information(this, QString::fromUtf8(info::kChooseDate));
        return;
    }
    auto d = chosenDate();
    if (!d)
        return;
    const std::string kind = m_view.kind;
    rateSpan(kind, *d, 0);
    m_view = info::ratedView(m_view, kind, std::nullopt, *d, Txten->currentText().toStdString(),
                             Txtdekidaka->text().toStdString());
    LalHani->setText(q(d->toYYMMDD()));
    showRows();
}

void frmInformation::cmdHiGenKabukaClick() {
    if (!m_view.chosen()) {
        MessageBox::information(this, QString::fromUtf8(info::kChooseDate));
        return;
    }
    auto n = textToInt16(TxtHi->currentText().toStdString());
    if (!n || *n < 1) {
        MessageBox::information(this, QString::fromUtf8(n ? kOverflow : n.message().c_str()));
        TxtHi->setFocus();
        return;
    }
    auto d = chosenDate();
    if (!d)
        return;
    const std::string kind = m_view.kind;
    const Date d1 = rateSpan(kind, *d, *n);
    m_view =
        info::ratedView(m_view, kind, d1, *d, Txten->currentText().toStdString(), Txtdekidaka->text().toStdString());
    LalHani->setText(q(d1.toYYMMDD()) + QStringLiteral("～") + q(d->toYYMMDD()));
    showRows();
}

void frmInformation::cmdDeleteClick() {
    auto d = chosenDate();
    if (!m_view.chosen() || !d) {
        MessageBox::information(this, QString::fromUtf8(info::kChooseDate));
        return;
    }
    if (!MessageBox::question(this, q(d->toYYMMDD()) + QStringLiteral(" を削除します　よろしいですか？")))
        return;
    auto db = db::openKestrelDatabase(m_context.paths.databasePath);
    Status s = db ? info::deleteDate(**db, m_view.kind, *d) : db.status();
    MessageBox::information(this, s ? QString::fromUtf8(info::kDeleteFinished) : q(s.message()));
    kindChosen();
}

void frmInformation::cmdinformationClassDelClick() {
    QString kind = chosenKind();
    if (kind.isEmpty()) {
        MessageBox::information(this, QString::fromUtf8(info::kChooseKind));
        return;
    }
    if (!MessageBox::question(this, kind + QStringLiteral(" を削除します　よろしいですか？")))
        return;
    auto db = db::openKestrelDatabase(m_context.paths.databasePath);
    Status s = db ? info::deleteKind(**db, kind.toStdString()) : db.status();
    MessageBox::information(this, s ? QString::fromUtf8(info::kDeleteFinished) : q(s.message()));
    kindChosen();
}

void frmInformation::cmdMeiListClick() {
    if (!m_view.chosen()) {
        MessageBox::information(this, QString::fromUtf8(info::kChooseDate));
        return;
    }
    if (!m_listMei)
        return;
    auto db = db::openKestrelDatabase(m_context.paths.databasePath);
    auto names = db ? db::loadIssueMarkets(**db) : Result<db::IssueMarkets>(db.status());
    if (!names) {
        MessageBox::information(this, q(names.message()));
        return;
    }
    m_listMei->clear();
    for (const std::string& row : info::issueListRows(m_shown, *names, m_view.isRange()))
        m_listMei->addItem(q(row));
}

void frmInformation::showIssueInformation() {
    int row = DBGridinformationData->selectionModel()->currentIndex().row();
    if (row < 0 || row >= static_cast<int>(m_shown.size()))
        return;
    m_handOverText = QString::number(m_shown[static_cast<std::size_t>(row)].code);
    frmJyohoList list(m_context, m_handOverText, this);
    list.exec();
    activate();
}

void frmInformation::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_K && (event->modifiers() & Qt::ControlModifier)) {
        showIssueInformation();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool frmInformation::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_K && (key->modifiers() & Qt::ControlModifier)) {
            showIssueInformation();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmInformation::done(int result) {
    unload();
    QDialog::done(result);
}

void frmInformation::unload() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    const std::string& ini = m_context.paths.iniPath;
    WidgetPrompt prompt(this);
    const std::pair<const char*, QString> keys[] = {{"FilterGaku", Txten->currentText()},
                                                    {"FilterDekidaka", Txtdekidaka->text()},
                                                    {"JyohoHi", TxtHi->currentText()}};
    for (const auto& [key, text] : keys)
        if (Status s = writeProfileString(ini, kIniSection, key, text.toStdString()); !s)
            prompt.notify(s.message());
    if (m_context.settings.DelJyoho > 0) {
        if (auto db = openDatabaseOrTell(m_context.paths.databasePath, prompt))
            (void)info::offerPruning(**db, m_ageReference, m_context.settings.DelJyoho, prompt);
    }
}

} // namespace kestrel::ui
