#include "ui/boards/frmKabukaboard.h"

#include "core/app/Date.h"
#include "core/app/DateText.h"
#include "core/boards/BoardEntries.h"
#include "core/boards/BoardStore.h"
#include "core/db/IssueMarkets.h"
#include "core/db/Lookups.h"
#include "core/db/MarketNames.h"
#include "core/db/Schema.h"
#include "core/settings/IniFile.h"
#include "core/settings/Settings.h"
#include "services/boards/JQuantsCatchUp.h"
#include "ui/app/ElidedLabel.h"
#include "ui/app/OpenDatabase.h"
#include "ui/app/Widgets.h"
#include "ui/app/WindowFit.h"
#include "ui/db/ModeCaption.h"

#include <QCloseEvent>
#include <QColor>
#include <QComboBox>
#include <QCursor>
#include <QDateTime>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>
#include <memory>

namespace kestrel::ui {
namespace {

const std::vector<std::string> kColumns = {"コード",   "市場コード", "銘柄",     "日付",     "始値",     "高値",
                                           "安値",     "終値",       "前日比",   "出来高",   "現在値",   "現前日比",
                                           "現出来高", "現在日付",   "現在時刻", "上限警報", "下限警報", "取得状態"};
const char* const kCaptions[] = {"コード",   "市場コード", "銘柄",   "日付",     "始値",     "高値",
                                 "安値",     "終値",       "前日比", "出来高",   "現在値",   "前日比",
                                 "現出来高", "株価日付",   "時刻",   "上限警報", "下限警報", "取得状態"};
// The widest text each column usually holds: the columns open wide enough for it.
const char* const kWidest[] = {"99999",      "9",          "ＡＢＣＤＥＦＧＨＩＪＫ",
                               "2024/12/31", "99999.9",    "99999.9",
                               "99999.9",    "99999.9",    "-9999.9",
                               "999999999",  "99999.9",    "-9999.9",
                               "999999999",  "2024/12/31", "15:00",
                               "99999",      "99999",      "取得状態"};
static_assert(std::size(kWidest) == std::size(kCaptions));
constexpr int kCaptionCount = static_cast<int>(std::size(kCaptions));

const QColor kFailedColour(0xFF, 0xC0, 0xC0);
const QColor kAlertColour(0xFF, 0xE0, 0x60);
const QColor kStaleColour(0xD8, 0xD8, 0xD8);

QLabel* label(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

} // namespace

QVariant BoardGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::DisplayRole && orientation == Qt::Horizontal && section >= 0 && section < kCaptionCount)
        return QString::fromUtf8(kCaptions[section]);
    return DbTableModel::headerData(section, orientation, role);
}

BoardGridModel::BoardGridModel(std::string databasePath, Prompt& prompt, int board, QObject* parent)
    : DbTableModel(databasePath, prompt, parent), m_path(std::move(databasePath)), m_gridPrompt(prompt),
      m_board(board) {}

boards::BoardRow BoardGridModel::boardRow(int row) const {
    auto number = [&](const char* column) -> std::optional<std::int32_t> {
        const QVariant v = value(row, column);
        if (v.isNull())
            return std::nullopt;
        bool ok = false;
        const qlonglong n = v.toLongLong(&ok);
        return ok ? std::optional<std::int32_t>(static_cast<std::int32_t>(n)) : std::nullopt;
    };
    boards::BoardRow r;
    r.code = number("コード").value_or(0);
    r.name = value(row, "銘柄").toString().toStdString();
    r.now = number("現在値").value_or(0);
    if (auto ymd = number("現在日付"))
        r.priceDate = Date::fromYmdInt(*ymd);
    r.above = number("上限警報");
    r.below = number("下限警報");
    r.failure = value(row, "取得状態").toString().toStdString();
    return r;
}

QVariant BoardGridModel::data(const QModelIndex& index, int role) const {
    if (role == Qt::DisplayRole && index.isValid() && index.column() == columnOf("取得状態"))
        return QString::fromStdString(boards::rowState(boardRow(index.row()), m_lastOpenDay));
    if ((role == Qt::BackgroundRole || role == Qt::ToolTipRole) && index.isValid()) {
        const bool tip = role == Qt::ToolTipRole;
        const boards::BoardRow r = boardRow(index.row());
        if (index.column() == columnOf("現在値")) {
            const bool failed =
                !r.failure.empty() || std::find(m_failed.begin(), m_failed.end(), r.code) != m_failed.end();
            if (failed)
                return tip ? QVariant(QStringLiteral("取得失敗: ") +
                                      QString::fromStdString(r.failure.empty() ? "相場ページなし" : r.failure))
                           : QVariant(kFailedColour);
            const std::vector<std::string> alert = boards::alertLines({r});
            if (!alert.empty())
                return tip ? QVariant(QString::fromStdString(alert.front())) : QVariant(kAlertColour);
        }
        if (index.column() == columnOf("現在日付")) {
            const Date last = m_lastOpenDay;
            if (boards::isStale(r, last))
                return tip ? QVariant(QStringLiteral("古い株価（最終取引日 %1 より前）")
                                          .arg(QString::fromStdString(shownDate(last))))
                           : QVariant(kStaleColour);
        }
    }
    return DbTableModel::data(index, role);
}

bool BoardGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const bool upper = index.column() == columnOf("上限警報");
    if (!index.isValid() || role != Qt::EditRole || (!upper && index.column() != columnOf("下限警報")))
        return DbTableModel::setData(index, value, role);
    const std::string typed = value.toString().trimmed().toStdString();
    std::optional<std::int32_t> price;
    if (!typed.empty()) {
        auto parsed = boards::parseAlertPrice(typed);
        if (!parsed) {
            m_gridPrompt.notify(parsed.message());
            return false;
        }
        price = *parsed;
    }
    boards::BoardRow r = boardRow(index.row());
    (upper ? r.above : r.below) = price;
    auto db = db::openKestrelDatabase(m_path);
    Status st = db ? boards::setAlert(**db, m_board, r.code, r.above, r.below) : db.status();
    if (!st) {
        m_gridPrompt.notify(st.message());
        return false;
    }
    refresh();
    return true;
}

void BoardGridModel::setFailedCodes(std::vector<std::int32_t> codes) {
    m_failed = std::move(codes);
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

frmKabukaboard::frmKabukaboard(AppContext& context, const QString& handOverText, QWidget* parent)
    : QDialog(parent), m_context(context), m_prompt(this), m_board(boards::boardKind(handOverText.toStdString())),
      m_handOverText(handOverText) {
    setObjectName(QStringLiteral("frmKabukaboard"));
    m_model = new BoardGridModel(context.paths.databasePath, m_prompt, m_board, this);
    m_model->setObjectName(QStringLiteral("boardData"));
    m_refresh = new services::QuoteRefresh(context, m_prompt, this);
    m_refresh->setBoard(m_board);
    m_refresh->waitCursor = [](bool wait) {
        if (wait)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        else
            while (QGuiApplication::overrideCursor())
                QGuiApplication::restoreOverrideCursor();
    };

    boardDBGrid = new QTableView(this);
    boardDBGrid->setObjectName(QStringLiteral("boardDBGrid"));
    boardDBGrid->setModel(m_model);
    boardDBGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    boardDBGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    boardDBGrid->verticalHeader()->setDefaultSectionSize(20);
    MeiCode = new QLineEdit(this);
    MeiCode->setObjectName(QStringLiteral("MeiCode"));
    MeiCode->setMaximumWidth(70);
    Lblshijyo = label(this, "Lblshijyo");
    LblMei = label(this, "LblMei");
    LblFileName = label(this, "LblFileName");
    LblboardDate = label(this, "LblboardDate");
    LblInt = named(new ElidedLabel(this), "LblInt"); // a long refresh result never widens the window
    boardData = label(this, "boardDataCaption");
    CmdfrmboardAdd = button(this, "CmdfrmboardAdd", QStringLiteral("株価ボードヘ追加"));
    CmdfrmboardDel = button(this, "CmdfrmboardDel", QStringLiteral("株価ボードから削除"));
    Cmdto = button(this, "Cmdto", QString());
    Cmdclear = button(this, "Cmdclear", QStringLiteral("現在値ｸﾘｱ"));
    CmdInet = button(this, "CmdInet", QStringLiteral("ｲﾝﾀｰﾈｯﾄから現在値取得"));
    CmdFileclear = button(this, "CmdFileclear", QStringLiteral("ﾌｧｲﾙ名ｸﾘｱ"));
    Cmdselectedchart = button(this, "Cmdselectedchart", QStringLiteral("チャート"));
    CmdFind = button(this, "CmdFind", QStringLiteral("検索....."));
    boardSource = new QComboBox(this);
    boardSource->setObjectName(QStringLiteral("boardSource"));
    for (boards::PriceSource source :
         {boards::PriceSource::Page, boards::PriceSource::Database, boards::PriceSource::JQuants})
        boardSource->addItem(QString::fromUtf8(boards::priceSourceLabel(source)),
                             QString::fromLatin1(boards::priceSourceName(source)));
    const auto kept = boards::priceSourceFromName(
        readProfileString(context.paths.iniPath, boards::kSection, boards::kPriceSourceKey));
    boardSource->setCurrentIndex(std::max(0, boardSource->findData(QString::fromLatin1(
                                                 boards::priceSourceName(kept.value_or(boards::PriceSource::Page))))));
    connect(boardSource, &QComboBox::currentIndexChanged, this, [this] {
        if (Status st = writeProfileString(m_context.paths.iniPath, boards::kSection, boards::kPriceSourceKey,
                                           boards::priceSourceName(priceSource()));
            !st)
            m_prompt.notify(st.message());
    });
    m_notifier = [this](const QString& title, const QString& text) {
        if (!QSystemTrayIcon::isSystemTrayAvailable())
            return;
        auto* tray = new QSystemTrayIcon(windowIcon(), this);
        tray->show();
        tray->showMessage(title, text, QSystemTrayIcon::Information, 10000);
        QTimer::singleShot(15000, tray, &QObject::deleteLater);
    };

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("銘柄コード"), this));
    top->addWidget(MeiCode);
    top->addWidget(Lblshijyo);
    top->addWidget(LblMei, 1);
    top->addWidget(CmdFind);
    top->addWidget(CmdfrmboardAdd);
    top->addWidget(CmdfrmboardDel);
    top->addWidget(Cmdto);
    auto* second = new QHBoxLayout;
    second->addWidget(new QLabel(QStringLiteral("ﾎﾞｰﾄﾞﾌｧｲﾙ名："), this));
    second->addWidget(LblFileName, 1);
    second->addWidget(CmdFileclear);
    second->addWidget(LblboardDate);
    second->addWidget(LblInt, 1);
    second->addWidget(Cmdclear);
    second->addWidget(new QLabel(QStringLiteral("取得元"), this));
    second->addWidget(boardSource);
    second->addWidget(CmdInet);
    second->addWidget(Cmdselectedchart);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(second);
    layout->addWidget(boardData);
    layout->addWidget(boardDBGrid, 1);

    connect(CmdfrmboardAdd, &QPushButton::clicked, this, &frmKabukaboard::cmdfrmboardAddClick);
    connect(CmdfrmboardDel, &QPushButton::clicked, this, &frmKabukaboard::cmdfrmboardDelClick);
    connect(Cmdto, &QPushButton::clicked, this, &frmKabukaboard::cmdtoClick);
    connect(Cmdclear, &QPushButton::clicked, this, &frmKabukaboard::cmdclearClick);
    connect(CmdInet, &QPushButton::clicked, this, &frmKabukaboard::cmdInetClick);
    connect(CmdFileclear, &QPushButton::clicked, this, &frmKabukaboard::cmdFileclearClick);
    connect(Cmdselectedchart, &QPushButton::clicked, this, &frmKabukaboard::cmdselectedchartClick);
    connect(CmdFind, &QPushButton::clicked, this, &frmKabukaboard::cmdFindClick);
    connect(MeiCode, &QLineEdit::textChanged, this, &frmKabukaboard::meiCodeChange);
    // Row activation (double-click or Enter) shows the row's chart, unless a refresh is handing out issues.
    connect(boardDBGrid, &QTableView::activated, this, [this] {
        if (idle())
            cmdselectedchartClick();
    });
    connect(m_refresh, &services::QuoteRefresh::started, this, [this] {
        LblboardDate->clear();
        m_model->setFailedCodes({});
    });
    connect(m_refresh, &services::QuoteRefresh::pageHandled, this, [this](std::int32_t, const QString& text) {
        LblInt->setText(text);
        LblInt->repaint();
        m_model->setFailedCodes(m_refresh->failedCodes());
        refreshGrid();
    });
    connect(m_refresh, &services::QuoteRefresh::completed, this, [this] {
        m_model->setFailedCodes(m_refresh->failedCodes());
        refreshGrid();
        tellAlerts(m_refresh->alertLines());
    });
    Form_Load();
    // Every column shows without sideways scrolling, within the room of a 1280x720 screen, frame included.
    const QMargins m = layout->contentsMargins();
    const int grid = boardDBGrid->horizontalHeader()->length() + boardDBGrid->verticalHeader()->sizeHint().width() +
                     2 * boardDBGrid->frameWidth() +
                     boardDBGrid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, boardDBGrid);
    resize(std::min(std::max(grid + m.left() + m.right(), minimumSizeHint().width()), kWindowRoom.width()), 520);
}

void frmKabukaboard::Form_Load() {
    if (auto db = openDatabaseOrTell(m_context.paths.databasePath, m_prompt)) {
        m_model->setLastOpenDay(boards::lastTradingDay(**db, Date::today()));
        if (Status st = boards::refreshBoardFromBars(**db, m_board); !st)
            m_prompt.notify(st.message());
    }
    m_model->setSource("board", kColumns, "WHERE 区分 = ? ORDER BY 市場コード, コード", {m_board});
    refreshGrid();
    const bool a = m_board == 1;
    setWindowTitle(a ? QStringLiteral("株価ボードA") : QStringLiteral("株価ボードB"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, a ? QColor(0xC0, 0xFF, 0xC0) : QColor(0xC0, 0xFF, 0xFF));
    setPalette(pal);
    Cmdto->setText(a ? QStringLiteral("株価ボードAからBへ移動") : QStringLiteral("株価ボードBからAへ移動"));
    // The daily/weekly mark joins the caption; the board keeps its own colour.
    SetModeCaption(this, m_context.chartMode, false);
    boardData->setText(windowTitle());
    const std::string& ini = m_context.paths.iniPath;
    LblFileName->setText(
        QString::fromStdString(readProfileString(ini, boards::kSection, boards::boardFileKey(m_board))));
    LblboardDate->setText(
        QString::fromStdString(shownStamp(readProfileString(ini, boards::kSection, boards::boardDateKey(m_board)))));
}

void frmKabukaboard::sizeColumns() {
    const QFontMetrics fm(boardDBGrid->font());
    const QAbstractItemView* view = boardDBGrid;
    for (int c = 0; c < m_model->columnCount() && c < kCaptionCount; ++c) {
        const int widest = fm.horizontalAdvance(QString::fromUtf8(kWidest[c])) + 12;
        const int content = std::min(view->sizeHintForColumn(c), widest + widest / 2);
        boardDBGrid->setColumnWidth(c,
                                    std::max({boardDBGrid->horizontalHeader()->sectionSizeHint(c), widest, content}));
    }
}

void frmKabukaboard::refreshGrid() {
    const int row = boardDBGrid->currentIndex().row();
    m_model->refresh();
    sizeColumns();
    if (row >= 0 && row < m_model->rowCount())
        boardDBGrid->selectRow(row);
}

std::int32_t frmKabukaboard::currentCode() const {
    const int row = boardDBGrid->currentIndex().row();
    if (row < 0 || row >= m_model->rowCount())
        return 0;
    const QVariant v = m_model->value(row, "コード");
    return v.isNull() ? 0 : v.toInt();
}

void frmKabukaboard::meiCodeChange() {
    Lblshijyo->clear();
    LblMei->clear();
    QString text = MeiCode->text();
    if (text.size() >= 5) {
        const QSignalBlocker block(MeiCode);
        MeiCode->setText(text.left(4));
        MeiCode->setCursorPosition(4);
        text = MeiCode->text();
    }
    if (text.size() != 4)
        return;
    auto code = textToInt32(text.toStdString());
    if (!code)
        return;
    auto db = db::openKestrelDatabase(m_context.paths.databasePath, db::OpenMode::ReadOnly);
    if (!db)
        return;
    const std::string name = db::GetIssueName(**db, *code, &m_prompt);
    auto found = (*db)->queryInt("SELECT count(*) FROM Mei WHERE コード = ?", *code);
    if (!found || found->value_or(0) == 0)
        return;
    auto markets = db::loadIssueMarkets(**db);
    const int market = db::GetMarketCode(**db, *code, &m_prompt);
    if (markets && market >= 0 && market < db::kMarketNameCount)
        Lblshijyo->setText(QString::fromStdString(markets->nameOf(*code, market)));
    LblMei->setText(QString::fromStdString(name));
    if (issueOpened)
        issueOpened(*code);
}

void frmKabukaboard::cmdfrmboardAddClick() {
    if (!idle())
        return;
    if (MeiCode->text().isEmpty() || Lblshijyo->text().isEmpty() || LblMei->text().isEmpty()) {
        m_prompt.notify("正しい銘柄コードを入力して下さい。");
        return;
    }
    if (!m_prompt.askYesNo("銘柄を株価ボードに追加しますよろしいですか？"))
        return;
    auto db = openDatabaseOrTell(m_context.paths.databasePath, m_prompt);
    if (!db)
        return;
    auto code = textToInt32(MeiCode->text().toStdString());
    if (!code)
        return m_prompt.notify(code.message());
    auto added = boards::addIssueFromLatestBar(**db, m_board, *code, LblMei->text().toStdString());
    if (!added)
        m_prompt.notify(added.message());
    else if (*added == boards::AddOutcome::AlreadyOnBoard)
        m_prompt.notify("すでに登録されています。");
    else if (*added == boards::AddOutcome::Added)
        m_prompt.notify("登録しました。");
    refreshGrid();
}

void frmKabukaboard::cmdfrmboardDelClick() {
    if (!idle())
        return;
    const std::int32_t code = currentCode();
    if (code == 0)
        return;
    if (!m_prompt.askYesNo("コード=" + std::to_string(code) + " 銘柄を株価ボードから削除しますよろしいですか？"))
        return;
    auto db = db::openKestrelDatabase(m_context.paths.databasePath);
    auto removed = db ? boards::deleteFromBoard(**db, m_board, code) : Result<bool>(db.status());
    if (!removed)
        m_prompt.notify(removed.message());
    refreshGrid();
}

void frmKabukaboard::cmdtoClick() {
    if (!idle())
        return;
    const std::int32_t code = currentCode();
    if (code <= 0)
        return;
    auto db = openDatabaseOrTell(m_context.paths.databasePath, m_prompt);
    if (!db)
        return;
    if (boards::MoveBetweenBoards(**db, m_board, std::to_string(code), Cmdto->text().toStdString(), m_prompt))
        refreshGrid();
}

void frmKabukaboard::cmdclearClick() {
    if (!idle())
        return;
    auto db = db::openKestrelDatabase(m_context.paths.databasePath);
    Status st = db ? boards::clearCurrentValues(**db, m_board) : db.status();
    if (!st)
        m_prompt.notify(st.message());
    refreshGrid();
}

boards::PriceSource frmKabukaboard::priceSource() const {
    return boards::priceSourceFromName(boardSource->currentData().toString().toStdString())
        .value_or(boards::PriceSource::Page);
}

void frmKabukaboard::cmdInetClick() {
    if (m_catchUp) {
        m_catchUp->cancel();
        return;
    }
    if (!idle())
        return;
    const boards::PriceSource source = priceSource();
    if (source == boards::PriceSource::Page) {
        m_refresh->CmdInet(true);
        refreshGrid();
        return;
    }
    refreshFromBars(source);
}

// A refresh from the stored bars (after the J-Quants catch-up for that source): every row gets its
// latest bar, or keeps its values and names why; the completion message names old prices and alerts.
void frmKabukaboard::refreshFromBars(boards::PriceSource source) {
    Date last;
    auto rows = [&]() -> Result<std::vector<boards::BoardRow>> {
        auto db = openDatabaseOrTell(m_context.paths.databasePath, m_prompt);
        if (!db)
            return Status::error(StatusCode::Cancelled, "");
        last = boards::lastTradingDay(**db, Date::today());
        return boards::readBoard(**db, m_board, boards::BoardOrder::Table);
    }();
    if (!rows) {
        if (!rows.message().empty())
            m_prompt.notify(rows.message());
        return;
    }
    if (rows->empty()) {
        m_prompt.notify("取得する銘柄がありません。");
        return;
    }
    const QDateTime now = QDateTime::currentDateTime();
    const std::string stamp = Date::today().toYYMMDD() + " " + now.toString(QStringLiteral("hh:mm")).toStdString();
    if (Status st = writeProfileString(m_context.paths.iniPath, boards::kSection, boards::boardDateKey(m_board), stamp);
        !st)
        m_prompt.notify(st.message());
    LblboardDate->setText(QString::fromStdString(shownStamp(stamp)));
    m_model->setFailedCodes({});
    m_model->setLastOpenDay(last);
    std::optional<std::string> failed;
    if (source == boards::PriceSource::JQuants) {
        // The fetch waits in the event loop (the service's pace and limits): the window stays live and
        // CmdInet (or Escape) cancels it.
        auto run = std::make_unique<services::JQuantsCatchUp>(m_context);
        run->log = [this](const std::string& line) {
            m_catchUpLine = QString::fromStdString(line);
            LblInt->setText(m_catchUpLine);
        };
        run->progress = [this](int done, int total) {
            LblInt->setText(QStringLiteral("%1 (%2/%3 日)").arg(m_catchUpLine).arg(done).arg(total));
        };
        m_catchUp = run.get();
        const QString caption = CmdInet->text();
        CmdInet->setText(QStringLiteral("ｷｬﾝｾﾙ"));
        boardSource->setEnabled(false);
        failed = run->run(last);
        m_catchUp = nullptr;
        boardSource->setEnabled(true);
        CmdInet->setText(caption);
        LblInt->setText(failed ? QString::fromStdString(*failed) : QString());
    }
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    Status st;
    if (auto db = openDatabaseOrTell(m_context.paths.databasePath, m_prompt)) {
        if (failed) {
            db::Transaction tx(**db);
            for (const boards::BoardRow& r : *rows)
                if (st = boards::markFailed(**db, m_board, r.code, *failed); !st)
                    break;
            if (st)
                st = tx.commit();
        } else {
            st = boards::fillFromStoredBars(**db, m_board);
        }
        if (st)
            if (auto after = boards::readBoard(**db, m_board, boards::BoardOrder::Table)) {
                rows = std::move(after);
            }
    }
    QGuiApplication::restoreOverrideCursor();
    refreshGrid();
    if (!st) {
        m_prompt.notify(st.message());
        return;
    }
    m_prompt.notify("取得終了しました。" + boards::summaryLines(*rows, last));
    tellAlerts(boards::alertLines(*rows));
}

void frmKabukaboard::tellAlerts(const std::vector<std::string>& lines) {
    if (lines.empty() || !m_notifier)
        return;
    QString text;
    for (const std::string& line : lines)
        text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + QString::fromStdString(line);
    m_notifier(windowTitle(), text);
}

void frmKabukaboard::cmdFileclearClick() {
    if (!idle())
        return;
    if (m_prompt.askYesNo("ファイル名をクリアします　よろしいですか？"))
        LblFileName->clear();
}

void frmKabukaboard::cmdselectedchartClick() {
    if (!idle())
        return;
    const std::int32_t code = currentCode();
    if (code != 0)
        Q_EMIT chartRequested(QString::number(code));
}

void frmKabukaboard::cmdFindClick() {
    if (!idle())
        return;
    MeiCode->setFocus();
    MeiCode->selectAll();
    if (!m_finder)
        return;
    const QString chosen = m_finder(this);
    if (!chosen.isEmpty())
        MeiCode->setText(chosen.left(4));
}

void frmKabukaboard::closeEvent(QCloseEvent* event) {
    if (!idle()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void frmKabukaboard::reject() {
    // Escape and the close box both end here; a refresh that still hands out issues keeps the window,
    // and a J-Quants fetch is cancelled.
    if (m_catchUp)
        m_catchUp->cancel();
    if (!idle())
        return;
    if (Status st = writeProfileString(m_context.paths.iniPath, boards::kSection, boards::boardFileKey(m_board),
                                       LblFileName->text().toStdString());
        !st)
        m_prompt.notify(st.message());
    QDialog::reject();
}

} // namespace kestrel::ui
