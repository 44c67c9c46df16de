// The main window: its controls around the chart, loading, the first activation after a first start,
// the keys it sees before its controls, minimizing and closing.
#include "ui/chart/frmMain.h"

#include "core/app/Files.h"
#include "core/chart/Navigation.h"
#include "core/db/Schema.h"
#include "ui/app/DateBox.h"
#include "ui/app/ElidedLabel.h"
#include "ui/app/MessageBox.h"
#include "ui/app/Widgets.h"
#include "ui/chart/frmFarstMsg.h"
#include "ui/db/CloseWindow.h"
#include "ui/db/ModeCaption.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenuBar>

namespace kestrel::ui {

using namespace kestrel::chart;

namespace {

constexpr int kLeftWidth = 140; // controls left of the chart end before x 145

} // namespace

void SetChangeButtonCaption(QPushButton* button, std::int16_t chartMode) {
    button->setText(QString::fromStdString(changeButtonCaption(chartMode)));
}

frmMain::frmMain(AppContext& context, QWidget* parent) : QMainWindow(parent), m_context(context) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("株価ケストレル"));
    chartTimer = named(new QTimer(this), "chartTimer");
    blinkTimer = named(new QTimer(this), "blinkTimer");
    blinkTimer->setInterval(800);
    connect(chartTimer, &QTimer::timeout, this, &frmMain::chartTimerTick);
    connect(blinkTimer, &QTimer::timeout, this, &frmMain::blinkTimerTick);
    buildControls();
    m_history = new services::HistoryRunner(m_context, this);
    buildMenus();
    buildJQuantsMenu();
    connectHistory();
    connectFins();
    buildToolbar();
    loadWindow();
}

void frmMain::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    // The chart first: the window's own controls lie over the parts of its area it leaves free.
    m_chart = new ChartPanel(m_context, client);
    m_chart->move(0, 0);
    connect(m_chart, &ChartPanel::focusIssueList, this, [this] { ListMei->setFocus(); });

    LblMeiCode = named(new QLabel(QStringLiteral("銘柄ｺｰﾄﾞ(F1)"), client), "LblMeiCode");
    LblMeiCode->setGeometry(4, 6, kLeftWidth - 4, 20);
    MeiCode = named(new QLineEdit(client), "MeiCode");
    MeiCode->setGeometry(4, 28, 68, 26);
    installSelectAllText(MeiCode);
    connect(MeiCode, &QLineEdit::textChanged, this, &frmMain::meiCodeChange);
    CmdFind = named(new QPushButton(QStringLiteral("検索"), client), "CmdFind");
    CmdFind->setGeometry(78, 28, kLeftWidth - 78, 26);
    connect(CmdFind, &QPushButton::clicked, this, &frmMain::cmdFindClick);

    ListMei = named(new QListWidget(client), "ListMei");
    ListMei->setGeometry(0, 92, kLeftWidth, 431);
    useIssueListFont(ListMei);
    tipCutRows(ListMei); // the list is narrow: a long name shows whole under the mouse
    connect(ListMei, &QListWidget::itemDoubleClicked, this, &frmMain::listMeiDblClick);

    QFont big = font();
    big.setPointSize(big.pointSize() + 4);
    big.setBold(true);
    LblMei = named(new QLabel(client), "LblMei");
    LblMei->setGeometry(150, 4, 300, 30);
    LblMei->setFont(big);
    Lblshijyo = named(new QLabel(client), "Lblshijyo");
    Lblshijyo->setGeometry(456, 4, 100, 30);
    Lblshijyo->setFont(big);

    auto* dateCaption = new QLabel(QStringLiteral("基準日"), client);
    dateCaption->setGeometry(150, 44, 48, 24);
    chartDate = named(new QLineEdit(client), "chartDate");
    chartDate->setGeometry(200, 44, 90, 24);
    installDateBox(chartDate);
    connect(chartDate, &QLineEdit::textChanged, this, &frmMain::chartDateChange);
    Cmdchange = named(new QPushButton(client), "Cmdchange");
    Cmdchange->setGeometry(300, 42, 170, 28);
    connect(Cmdchange, &QPushButton::clicked, this, &frmMain::cmdchangeClick);

    LblHistory = named(new QLabel(client), "LblHistory");
    LblHistory->setGeometry(kPlotLeft + 4, kPlotTop + 4, 360, 20);
    LblHistory->setStyleSheet(QStringLiteral("QLabel { background: #ffffe0; color: #000000; padding: 0 4px; }"));
    LblHistory->hide();

    HScroll = named(new QScrollBar(Qt::Horizontal, client), "HScroll");
    HScroll->setGeometry(kPlotLeft, kClearBottom + 6, kPlotRight - kPlotLeft + 1, 18);
    HScroll->setRange(0, kScrollMax);
    connect(HScroll, &QScrollBar::valueChanged, this, &frmMain::hScrollChange);

    // The panel covers all of its controls (its buttons reach below the chart area).
    QRect used = m_chart->childrenRect().united(QRect(QPoint(0, 0), m_chart->minimumSize()));
    m_chart->resize(used.right() + 8, used.bottom() + 8);
    client->setMinimumSize(m_chart->width(), std::max(m_chart->height(), ListMei->geometry().bottom() + 4));
    // Keys reach the window before the focused control.
    for (QWidget* w : client->findChildren<QWidget*>())
        if (w->focusPolicy() != Qt::NoFocus)
            w->installEventFilter(this);
}

void frmMain::loadWindow() {
    if (auto db = db::openKestrelDatabase(m_context.paths.databasePath, db::OpenMode::ReadOnly)) {
        if (auto names = db::loadIssueMarkets(**db))
            m_marketNames = std::move(*names);
        if (auto names = db::loadMarketNames(**db))
            m_storedMarketNames = *names;
    }
    FillIssueList(MeiCode->text());
    setChartDateText(QString::fromStdString(Date::today().toYYMMDD()));
    SetModeCaption(this, m_context.chartMode, true);
    m_chart->DrawChartFrame();
    SetChangeButtonCaption(Cmdchange, m_context.chartMode);
    m_chart->data().latestDate = Date::today();
    HScroll->setValue(HScroll->maximum());
    m_chart->Chkdekidaka->setChecked(true);
    m_chart->restoreLayout();
    mnuLogScale->setChecked(m_chart->layout().logScale);
    adjustSize();
}

QAction* frmMain::action(const QString& name) const {
    return findChild<QAction*>(name);
}

bool frmMain::event(QEvent* e) {
    if ((e->type() == QEvent::WindowActivate || e->type() == QEvent::Show) && !m_activated) {
        m_activated = true;
        if (HandOverText == QStringLiteral("3") || firstStartWhileEmpty)
            QTimer::singleShot(0, this, &frmMain::firstActivation);
    }
    return QMainWindow::event(e);
}

void frmMain::firstActivation() {
    const ProgramPaths& paths = m_context.paths;
    bool noKinds = true;
    if (auto db = db::openKestrelDatabase(paths.databasePath, db::OpenMode::ReadOnly)) {
        auto n = (*db)->queryInt("SELECT count(*) FROM informationClass");
        noKinds = !n || n->value_or(0) == 0;
    }
    if (noKinds)
        loadInformationKinds(); // from the kinds file shipped beside the program
    HandOverText = QStringLiteral("1");
    firstStartWhileEmpty = false;
    frmFarstMsg firstMessage(this);
    firstMessage.exec();
    m_history->forgetOptions(); // a key typed there is used from now on
    // The first issue that came with prices, else the issues from code 1 on.
    MeiCode->setText(firstMessage.firstCode() > 0 ? QString::number(firstMessage.firstCode()) : QStringLiteral("1"));
    DialUpLine line = dialUpLine();
    if (line.isConnected && line.isConnected() && line.hangUp)
        line.hangUp();
    // Only what was done is reported: a window closed without either road says nothing.
    if (!firstMessage.resultMessage().isEmpty())
        MessageBox::information(this, firstMessage.resultMessage());
}

bool frmMain::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, e);
    auto* key = static_cast<QKeyEvent*>(e);
    if (key->key() == Qt::Key_F1) {
        MeiCode->clear();
        MeiCode->setFocus();
        return true;
    }
    if (key->key() == Qt::Key_Space) {
        nextIssue(key->modifiers() & Qt::ShiftModifier ? -1 : 1);
        return true;
    }
    if (watched == ListMei && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        listMeiDblClick();
        return true;
    }
    return QMainWindow::eventFilter(watched, e);
}

void frmMain::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() != QEvent::WindowStateChange)
        return;
    if (isMinimized()) {
        blinkTimer->start();
        return;
    }
    blinkTimer->stop();
    blinkPending = false;
    m_chart->DrawChart(isMaximized());
}

void frmMain::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    if (isMinimized() || !m_chart)
        return;
    // The chart grows with the window; the date scroll bar stays under it.
    m_chart->resize(centralWidget()->size().expandedTo(m_chart->minimumSize()));
    m_chart->layoutChart();
    const QRect area = m_chart->chartArea();
    HScroll->setGeometry(area.left(), area.bottom() + 6, area.width(), 18);
    m_chart->DrawChart(isMaximized());
}

void frmMain::blinkTimerTick() {
    if (blinkPending)
        QApplication::alert(this);
}

frmMain::~frmMain() {
    delete m_screening; // a window of its own, closed with the chart
}

void frmMain::closeEvent(QCloseEvent* event) {
    rememberLastCode();
    m_chart->saveLayout();
    CloseParts parts;
    parts.window = this;
    // Every slide-show and blink timer of the window, also any a caller added under those names.
    for (const char* name : {"chartTimer", "blinkTimer"})
        for (QTimer* t : findChildren<QTimer*>(QString::fromLatin1(name)))
            parts.timers.push_back(t);
    parts.databasePath = m_context.paths.databasePath;
    CloseOutcome outcome = runCloseSequence(parts);
    event->accept();
    if (m_screening)
        m_screening->close(); // a window of its own: left open it would keep the program running
    if (outcome != CloseOutcome::Closed)
        QCoreApplication::quit();
}

} // namespace kestrel::ui
