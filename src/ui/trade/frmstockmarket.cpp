#include "ui/trade/frmstockmarket.h"

#include "core/app/Files.h"
#include "core/boards/BoardPrices.h"
#include "core/db/Database.h"
#include "core/db/Schema.h"
#include "core/trade/LedgerMarks.h"
#include "ui/app/Shell.h"
#include "ui/app/Widgets.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QProcess>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace kestrel::ui {

frmstockmarket::frmstockmarket(AppContext& context, QWidget* parent)
    : QDialog(parent), m_context(context), m_prompt(this) {
    setObjectName(QStringLiteral("frmstockmarket"));
    setWindowTitle(QStringLiteral("株式売買管理"));

    auto named = [](QWidget* w, const char* name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };
    Lblcode = new QLabel(this);
    Lblshijyocode = new QLabel(this);
    Lblmeigaramei = new QLabel(this);
    LblPriceDate = new QLabel(this);
    LblPriceDate->setObjectName(QStringLiteral("LblPriceDate"));
    named(Lblcode, "Lblcode");
    named(Lblshijyocode, "Lblshijyocode");
    named(Lblmeigaramei, "Lblmeigaramei");
    Lblmeigaramei->setMinimumWidth(160);

    Frame1 = new QGroupBox(this);
    named(Frame1, "Frame1");
    Option1 = new QRadioButton(QStringLiteral("未売却"), Frame1);
    Option2 = new QRadioButton(QStringLiteral("売却"), Frame1);
    Option3 = new QRadioButton(QStringLiteral("すべて"), Frame1);
    named(Option1, "Option1");
    named(Option2, "Option2");
    named(Option3, "Option3");
    auto* options = new QHBoxLayout(Frame1);
    options->addWidget(Option1);
    options->addWidget(Option2);
    options->addWidget(Option3);

    CmdExcel = button(this, "CmdExcel", QStringLiteral("Excelへ出力"));
    CmdCalc = button(this, "CmdCalc", QStringLiteral("計算機"));
    CmdDelete = button(this, "CmdDelete", QStringLiteral("削　　除"));
    auto* targetLabel = new QLabel(QStringLiteral("目標株価"), this);
    TxtTarget = new QLineEdit(this);
    named(TxtTarget, "TxtTarget");
    TxtTarget->setMaximumWidth(90);
    TxtTarget->setAlignment(Qt::AlignRight);
    targetLabel->setBuddy(TxtTarget);
    CmdTarget = button(this, "CmdTarget", QStringLiteral("目標設定"));

    Datastockmarket = new LedgerModel(context, this, this);
    Datastockmarket->setObjectName(QStringLiteral("Datastockmarket"));
    DBGridstockmarket = new QTableView(this);
    named(DBGridstockmarket, "DBGridstockmarket");
    DBGridstockmarket->setModel(Datastockmarket);
    DBGridstockmarket->setSelectionBehavior(QAbstractItemView::SelectItems);
    DBGridstockmarket->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGridstockmarket->horizontalHeader()->setDefaultSectionSize(76);
    DBGridstockmarket->verticalHeader()->setDefaultSectionSize(22);
    DBGridstockmarket->horizontalHeader()->resizeSection(trade::kColName, 150);

    auto* top = new QHBoxLayout;
    top->addWidget(Lblcode);
    top->addWidget(Lblshijyocode);
    top->addWidget(Lblmeigaramei, 1);
    top->addWidget(LblPriceDate);
    top->addWidget(Frame1);
    top->addWidget(targetLabel);
    top->addWidget(TxtTarget);
    top->addWidget(CmdTarget);
    top->addWidget(CmdExcel);
    top->addWidget(CmdCalc);
    top->addWidget(CmdDelete);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(DBGridstockmarket, 1);
    resize(1100, 480);

    connect(Option1, &QRadioButton::clicked, this, [this] { Datastockmarket->setView(trade::LedgerView::Unsold); });
    connect(Option2, &QRadioButton::clicked, this, [this] { Datastockmarket->setView(trade::LedgerView::Sold); });
    connect(Option3, &QRadioButton::clicked, this, [this] { Datastockmarket->setView(trade::LedgerView::All); });
    connect(DBGridstockmarket->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { showCurrentRow(current); });
    // The labels follow the row also when its cells change under the cursor.
    connect(Datastockmarket, &QAbstractItemModel::dataChanged, this,
            [this] { showCurrentRow(DBGridstockmarket->currentIndex()); });
    connect(Datastockmarket, &QAbstractItemModel::modelReset, this,
            [this] { showCurrentRow(DBGridstockmarket->currentIndex()); });
    connect(CmdDelete, &QPushButton::clicked, this, &frmstockmarket::deleteCurrentRow);
    connect(CmdTarget, &QPushButton::clicked, this, &frmstockmarket::setCurrentTarget);
    connect(TxtTarget, &QLineEdit::returnPressed, this, &frmstockmarket::setCurrentTarget);
    connect(CmdExcel, &QPushButton::clicked, this, &frmstockmarket::exportCsv);
    connect(CmdCalc, &QPushButton::clicked, this, &frmstockmarket::openCalculator);

    refreshCurrentPrices();
    Option1->setChecked(true);
    Datastockmarket->setView(trade::LedgerView::Unsold);
}

void frmstockmarket::refreshCurrentPrices() {
    auto db = Datastockmarket->openDatabase();
    if (!db)
        return;
    trade::PriceDates dates;
    if (Status s = trade::refreshCurrentPrices(*db, m_prompt, &dates, boards::lastTradingDay(*db, Date::today())); !s)
        m_prompt.notify(s.message());
    LblPriceDate->setText(QString::fromStdString(trade::priceDatesText(dates)));
}

void frmstockmarket::showCurrentRow(const QModelIndex& current) {
    auto cell = [&](int column) {
        return current.isValid() ? Datastockmarket->index(current.row(), column).data().toString() : QString();
    };
    Lblcode->setText(cell(trade::kColCode));
    Lblshijyocode->setText(cell(trade::kColMarket));
    Lblmeigaramei->setText(cell(trade::kColName));
    // A target belongs to a stored lot; the new-row line has none.
    const trade::LedgerRow* lot = current.isValid() ? Datastockmarket->rowAt(current.row()) : nullptr;
    TxtTarget->setEnabled(lot != nullptr);
    CmdTarget->setEnabled(lot != nullptr);
    if (lot && lot->code && *lot->code > 0 && *lot->code <= 9999 && issueOpened)
        issueOpened(static_cast<std::int32_t>(*lot->code));
    std::optional<std::int64_t> target;
    if (lot)
        if (auto db = db::openKestrelDatabase(m_context.paths.databasePath, db::OpenMode::ReadOnly))
            if (auto t = trade::lotTarget(**db, lot->ID, m_context.splitAdjust))
                target = *t;
    TxtTarget->setText(target ? QString::number(*target) : QString());
}

void frmstockmarket::setCurrentTarget() {
    const trade::LedgerRow* lot = Datastockmarket->rowAt(DBGridstockmarket->currentIndex().row());
    if (!lot)
        return;
    auto db = Datastockmarket->openDatabase();
    if (!db)
        return;
    // A refused price stays in the field to be put right; the stored target is unchanged.
    if (Status s = trade::setLotTargetText(*db, lot->ID, TxtTarget->text().toStdString(), m_context.splitAdjust); !s)
        m_prompt.notify(s.message());
}

void frmstockmarket::deleteCurrentRow() {
    int row = DBGridstockmarket->currentIndex().row();
    const trade::LedgerRow* current = Datastockmarket->rowAt(row);
    if (!current || !current->code)
        return;
    auto db = Datastockmarket->openDatabase();
    if (!db)
        return;
    Status deleted = trade::deleteLedgerRow(*db, *current, m_prompt);
    if (deleted)
        Datastockmarket->forgetRow(row);
    else if (!deleted.is(StatusCode::Cancelled) && !deleted.is(StatusCode::NotFound))
        m_prompt.notify(deleted.message());
}

void frmstockmarket::exportCsv() {
    auto db = Datastockmarket->openDatabase();
    if (!db)
        return;
    std::string path = trade::ledgerCsvPath(m_context.paths.dataFolder);
    Status s = makeDir(m_context.paths.dataFolder);
    if (s)
        s = trade::exportLedgerCsv(*db, path);
    if (!s) {
        m_prompt.notify(s.message());
        return;
    }
    if (!cShellFile::ShellFile(QString::fromStdString(path)))
        m_prompt.notify(path + " を書き出しましたが、開くプログラムが見つかりません。");
}

QStringList frmstockmarket::calculatorPrograms() {
    return {QStringLiteral("gnome-calculator"), QStringLiteral("kcalc"),         QStringLiteral("galculator"),
            QStringLiteral("mate-calc"),        QStringLiteral("qalculate-gtk"), QStringLiteral("xcalc")};
}

void frmstockmarket::openCalculator() {
    for (const QString& name : calculatorPrograms()) {
        QString program = QStandardPaths::findExecutable(name);
        if (program.isEmpty())
            continue;
        if (!QProcess::startDetached(program, {}))
            m_prompt.notify("計算機 " + program.toStdString() + " を起動できませんでした。");
        return;
    }
    m_prompt.notify("計算機が見つかりません。" + calculatorPrograms().join(QStringLiteral("、")).toStdString() +
                    " のどれかをインストールしてください。");
}

} // namespace kestrel::ui
