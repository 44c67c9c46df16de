#pragma once
// The stock board window: one board (HandOverText "1" = A, anything else = B) in a grid of thirteen
// columns over the table board, the issue code box for adding, and the commands to delete, move, clear,
// refresh from the quote portal, show an issue's chart and search. While a refresh hands out issues
// (Timer1 running) or J-Quants fetches the missing days, every command does nothing and the window refuses
// to close; during the fetch CmdInet reads ｷｬﾝｾﾙ and, like Escape, cancels it.
#include "core/boards/BoardPrices.h"
#include "core/startup/AppContext.h"
#include "services/boards/JQuantsCatchUp.h"
#include "services/boards/QuoteRefresh.h"
#include "ui/app/MessageBox.h"
#include "ui/db/DbTableModel.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace kestrel::ui {

// The grid model of the board: the columns of board with their captions, then the date and time of the
// current price, the alert prices and why the last refresh left the row as it was. The 現在値 cell of a
// row the last refresh could not fetch is coloured and tells why; its value is the one kept from before.
// A 現在値 that reached an alert and a price date before the last open day are coloured and told too.
// The alert cells take a positive whole number of yen (empty: none); anything else is refused with a
// message and nothing is stored.
class BoardGridModel : public DbTableModel {
    Q_OBJECT
public:
    BoardGridModel(std::string databasePath, Prompt& prompt, int board, QObject* parent = nullptr);
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    void setFailedCodes(std::vector<std::int32_t> codes);
    // The day before which a price is marked old.
    void setLastOpenDay(Date day) { m_lastOpenDay = day; }
    // The row as the board holds it (the cells shown).
    boards::BoardRow boardRow(int row) const;

private:
    std::string m_path;
    Prompt& m_gridPrompt;
    int m_board;
    std::vector<std::int32_t> m_failed;
    Date m_lastOpenDay = boards::lastTradingDay(Date::today(), db::MarketCalendar{});
};

class frmKabukaboard : public QDialog {
    Q_OBJECT
public:
    frmKabukaboard(AppContext& context, const QString& handOverText, QWidget* parent = nullptr);

    // The issue search: given the window, returns the chosen code text ("" when none). Unset: no search.
    void setIssueFinder(std::function<QString(QWidget*)> finder) { m_finder = std::move(finder); }
    int boardKind() const { return m_board; }
    BoardGridModel* model() const { return m_model; }
    services::QuoteRefresh* refresh() const { return m_refresh; }
    // Shows one desktop notification (title, text); by default through the system tray when there is
    // one, silently nothing otherwise. Tests replace it.
    void setDesktopNotifier(std::function<void(const QString&, const QString&)> notifier) {
        m_notifier = std::move(notifier);
    }
    boards::PriceSource priceSource() const;

    void cmdfrmboardAddClick();
    void cmdfrmboardDelClick();
    void cmdtoClick();
    void cmdclearClick();
    void cmdInetClick();
    void cmdFileclearClick();
    void cmdselectedchartClick();
    void cmdFindClick();

    // Called with the issue typed into the code box once it is found in Mei (the main window fetches the
    // issue's history when it lacks some).
    std::function<void(std::int32_t code)> issueOpened;

Q_SIGNALS:
    // The main window sets its code box to this code (which shows the issue's chart).
    void chartRequested(const QString& code);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void Form_Load();
    void meiCodeChange();
    void refreshGrid();
    void sizeColumns();
    void refreshFromBars(boards::PriceSource source);
    void tellAlerts(const std::vector<std::string>& lines);
    std::int32_t currentCode() const;
    bool idle() const { return !m_refresh->running() && !m_catchUp; }

    AppContext& m_context;
    WidgetPrompt m_prompt;
    int m_board;
    QString m_handOverText;
    BoardGridModel* m_model;
    services::QuoteRefresh* m_refresh;
    services::JQuantsCatchUp* m_catchUp = nullptr; // the J-Quants fetch while it runs
    QString m_catchUpLine;
    std::function<QString(QWidget*)> m_finder;
    std::function<void(const QString&, const QString&)> m_notifier;
    QComboBox* boardSource;
    QTableView* boardDBGrid;
    QLineEdit* MeiCode;
    QLabel *Lblshijyo, *LblMei, *LblFileName, *LblboardDate, *LblInt, *boardData;
    QPushButton *CmdfrmboardAdd, *CmdfrmboardDel, *Cmdto, *Cmdclear, *CmdInet, *CmdFileclear, *Cmdselectedchart,
        *CmdFind;
};

} // namespace kestrel::ui
