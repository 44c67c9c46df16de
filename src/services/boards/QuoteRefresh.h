#pragma once
// The refresh of a board's current values from the quote portal: the issues of the board are handed,
// every half second, four half-steps per tick, to whichever of the two download channels is free; each
// page is parsed as it arrives and its values stored in the board row. The refresh is running while
// Timer1 is active (no more issues to hand out once it stops); it is complete when Timer1 has stopped
// and neither channel is busy, and then the completion message is shown exactly once.
//
// Every page frees its channel, whatever it holds: an empty page (dead host, time limit), a page
// without the row, or one whose cells are not numbers. A row whose page failed (empty, or
// without the row) keeps the values of the refresh before and is listed as not refreshed; the
// completion message then says how many rows failed and names their codes.
#include "core/app/Prompt.h"
#include "core/startup/AppContext.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <vector>

namespace kestrel::platform {
class InetHttp;
}

namespace kestrel::services {

class QuoteRefresh : public QObject {
    Q_OBJECT
public:
    QuoteRefresh(AppContext& context, Prompt& prompt, QObject* parent = nullptr);
    ~QuoteRefresh() override;

    // Sets the board kind (1 = A, other = B) used by the next CmdInet.
    void setBoard(int board) { m_board = board; }
    // The portal host from the settings file (key QuoteHost), or the default one.
    static std::string quoteHost(const std::string& iniPath);

    // Starts a refresh; confirm false skips the question (the command line). False when none started.
    bool CmdInet(bool confirm = true);
    // True while issues are still being handed out.
    bool running() const { return Timer1.isActive(); }
    // True from the start of a refresh until its completion.
    bool busy() const { return m_active; }
    // The codes whose rows were not refreshed: while running, those whose page failed so far; after
    // completion also those never handed out, in the board's order.
    const std::vector<std::int32_t>& failedCodes() const { return m_failed; }
    // The lines told after "取得終了しました。" for these codes: none when there are none, else the count
    // and the line "未取得: " + the codes separated by blanks.
    static std::string failureLines(const std::vector<std::int32_t>& codes);
    // The alert lines of the last completed refresh (the desktop notification's text).
    const std::vector<std::string>& alertLines() const { return m_alerts; }
    // "hh:mm" when the page's small text starts with a time, else empty.
    static std::string quoteTime(const std::string& label);

    QTimer Timer1;
    // Shows (true) or clears (false) the wait cursor; the board window sets it, the command line does not.
    std::function<void(bool)> waitCursor;

Q_SIGNALS:
    // A page was handled (its row may have changed); text is the row's small text (the quote time).
    void pageHandled(std::int32_t code, const QString& text);
    // The completion message was shown.
    void completed();
    // The boarddate key was written with this text; the board window clears its label.
    void started(const QString& boardDate);

private:
    void setWaitCursor(bool wait);
    void timer1Timer();
    bool halfStep(int channel);
    void GetHttp1_Gethtm1(const QString& text, qint32 id);
    void GetHttp2_Gethtm2(const QString& text, qint32 id);
    void handlePage(int channel, const QString& text, std::int32_t code);
    void stopDispatch();
    void checkCompletion();

    AppContext& m_context;
    Prompt& m_prompt;
    int m_board = 1;
    std::string m_host;
    std::vector<std::int32_t> m_codes; // the board's codes in table order
    std::vector<std::int32_t> m_failed;
    std::vector<std::string> m_alerts;
    size_t m_next = 0;
    QPointer<platform::InetHttp> GetHttp1, GetHttp2;
    std::int32_t m_code[2] = {0, 0};
    bool m_busy[2] = {false, false};
    bool m_active = false;
};

} // namespace kestrel::services
