#include "ui/chart/frmSplit.h"

#include "core/app/DateText.h"
#include "core/db/Lookups.h"
#include "ui/app/DateBox.h"
#include "ui/app/OpenDatabase.h"
#include "ui/app/Widgets.h"
#include "ui/chart/frmMain.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>
#include <map>

namespace kestrel::ui {
namespace {

// The code typed in the box; nothing unless it is 1 to 9 digits and not 0.
std::optional<std::int32_t> typedCode(const QString& text) {
    const QString t = text.trimmed();
    bool ok = false;
    const int code = t.toInt(&ok);
    if (!ok || t.size() > 9 || code <= 0 || t.contains(QLatin1Char('+')))
        return std::nullopt;
    return code;
}

QString ratioText(const db::SplitEvent& e) {
    return QString::fromStdString(db::splitRatioText(e));
}

} // namespace

frmSplit::frmSplit(AppContext& context, std::int32_t shownCode, QWidget* parent)
    : QDialog(parent), m_context(context), m_shownCode(shownCode), m_prompt(this) {
    setObjectName(QStringLiteral("frmSplit"));
    setWindowTitle(QStringLiteral("株式分割"));
    ListBunkatu = named(new QTableWidget(0, 6, this), "ListBunkatu");
    ListBunkatu->setHorizontalHeaderLabels({QStringLiteral("コード"), QStringLiteral("銘柄"), QStringLiteral("実施日"),
                                            QStringLiteral("比率"), QStringLiteral("出所"), QStringLiteral("状態")});
    ListBunkatu->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListBunkatu->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListBunkatu->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBunkatu->verticalHeader()->hide();
    ListBunkatu->horizontalHeader()->setStretchLastSection(true);
    chkAllMei = named(new QCheckBox(QStringLiteral("全銘柄"), this), "chkAllMei");
    chkAllMei->setChecked(shownCode <= 0);
    txtCode = named(new QLineEdit(shownCode > 0 ? QString::number(shownCode) : QString(), this), "txtCode");
    txtDate = named(new QLineEdit(this), "txtDate");
    txtRatio = named(new QLineEdit(this), "txtRatio");
    txtRatio->setToolTip(QStringLiteral("分割後の株数 (1 株あたり): 2、0.1、1.5、1:2"));
    installSelectAllText(txtCode);
    installDateBox(txtDate);
    installSelectAllText(txtRatio);
    CmdAdd = button(this, "CmdAdd", QStringLiteral("追加"));
    CmdRemove = button(this, "CmdRemove", QStringLiteral("削除"));
    CmdConfirm = button(this, "CmdConfirm", QStringLiteral("確定"));
    CmdDismiss = button(this, "CmdDismiss", QStringLiteral("却下"));
    CmdClose = button(this, "CmdClose", QStringLiteral("閉じる"));

    auto* entry = new QGridLayout;
    entry->addWidget(new QLabel(QStringLiteral("コード"), this), 0, 0);
    entry->addWidget(new QLabel(QStringLiteral("実施日"), this), 0, 1);
    entry->addWidget(new QLabel(QStringLiteral("比率"), this), 0, 2);
    entry->addWidget(txtCode, 1, 0);
    entry->addWidget(txtDate, 1, 1);
    entry->addWidget(txtRatio, 1, 2);
    entry->addWidget(CmdAdd, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(chkAllMei);
    buttons->addStretch(1);
    for (QPushButton* b : {CmdRemove, CmdConfirm, CmdDismiss, CmdClose})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListBunkatu, 1);
    layout->addLayout(buttons);
    layout->addLayout(entry);
    resize(560, 360);

    connect(chkAllMei, &QCheckBox::toggled, this, &frmSplit::fillList);
    connect(CmdAdd, &QPushButton::clicked, this, &frmSplit::cmdAddClick);
    connect(CmdRemove, &QPushButton::clicked, this, [this] { changeSelected(Change::Remove); });
    connect(CmdConfirm, &QPushButton::clicked, this, [this] { changeSelected(Change::Confirm); });
    connect(CmdDismiss, &QPushButton::clicked, this, [this] { changeSelected(Change::Dismiss); });
    connect(CmdClose, &QPushButton::clicked, this, &QDialog::reject);
    ListBunkatu->installEventFilter(this);
    fillList();
}

bool frmSplit::eventFilter(QObject* watched, QEvent* event) {
    // Delete removes the selected row only from the list: in the boxes it deletes a character.
    if (watched == ListBunkatu && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        changeSelected(Change::Remove);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmSplit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        cmdAddClick();
        return;
    }
    QDialog::keyPressEvent(event); // Esc closes
}

void frmSplit::fillList() {
    ListBunkatu->setRowCount(0);
    m_events.clear();
    auto db = openDatabaseOrTell(m_context.paths.databasePath, m_prompt, db::OpenMode::ReadOnly);
    if (!db)
        return;
    auto events = db::listSplits(**db, chkAllMei->isChecked() ? 0 : m_shownCode, false);
    if (!events) {
        m_prompt.notify(events.message());
        return;
    }
    m_events = std::move(*events);
    std::map<std::int32_t, QString> names;
    ListBunkatu->setRowCount(static_cast<int>(m_events.size()));
    for (int row = 0; row < ListBunkatu->rowCount(); ++row) {
        const db::SplitEvent& e = m_events[static_cast<size_t>(row)];
        auto name = names.find(e.code);
        if (name == names.end())
            name = names.emplace(e.code, q(db::GetIssueName(**db, e.code, &m_prompt))).first;
        const QString cells[] = {QString::number(e.code),
                                 name->second,
                                 q(listDate(e.date)),
                                 ratioText(e),
                                 q(db::splitSourceName(e.source)),
                                 q(db::splitStateName(e.state))};
        for (int col = 0; col < 6; ++col)
            ListBunkatu->setItem(row, col, new QTableWidgetItem(cells[col]));
    }
    ListBunkatu->resizeColumnsToContents();
}

void frmSplit::cmdAddClick() {
    const auto code = typedCode(txtCode->text());
    if (!code) {
        m_prompt.notify("銘柄コードを入力して下さい。");
        txtCode->setFocus();
        return;
    }
    const auto date = Date::parseEntry(txtDate->text().trimmed().toStdString());
    if (!date) {
        m_prompt.notify("日付を入力して下さい。");
        txtDate->setFocus();
        return;
    }
    std::int32_t before = 1, after = 1;
    if (Status st = db::parseSplitRatio(txtRatio->text().trimmed().toStdString(), before, after); !st) {
        m_prompt.notify(st.message());
        txtRatio->setFocus();
        return;
    }
    if (apply(import::SplitChange::Add, *code, *date, before, after)) {
        txtDate->clear();
        txtRatio->clear();
    }
}

void frmSplit::changeSelected(Change change) {
    const int row = ListBunkatu->currentRow();
    if (row < 0 || static_cast<size_t>(row) >= m_events.size())
        return;
    const db::SplitEvent e = m_events[static_cast<size_t>(row)];
    if (change == Change::Remove && !m_prompt.askYesNo("銘柄コード " + std::to_string(e.code) + " の " +
                                                       listDate(e.date) + " の分割を削除します よろしいですか？"))
        return;
    apply(change == Change::Remove    ? import::SplitChange::Remove
          : change == Change::Confirm ? import::SplitChange::Confirm
                                      : import::SplitChange::Dismiss,
          e.code, e.date);
}

bool frmSplit::apply(import::SplitChange change, std::int32_t code, Date date, std::int32_t before,
                     std::int32_t after) {
    {
        auto db = openDatabaseOrTell(m_context.paths.databasePath, m_prompt);
        if (!db)
            return false;
        auto outcome = import::changeSplit(**db, change, code, date, before, after);
        if (!outcome) {
            m_prompt.notify(outcome.message());
            return false;
        }
        if (!outcome->changed)
            m_prompt.notify(outcome->notice);
    }
    fillList();
    for (size_t i = 0; i < m_events.size(); ++i)
        if (m_events[i].code == code && m_events[i].date == date)
            ListBunkatu->selectRow(static_cast<int>(i));
    if (chartChanged)
        chartChanged();
    return true;
}

void showSplitWindow(frmMain& main) {
    const bool slideShow = main.chartTimer->isActive();
    main.chartTimer->stop(); // the show waits while the window is open
    frmSplit form(main.context(), typedCode(main.MeiCode->text()).value_or(0), &main);
    form.chartChanged = [&main] { main.ShowIssue(true); };
    form.exec();
    if (slideShow)
        main.chartTimer->start();
}

} // namespace kestrel::ui
