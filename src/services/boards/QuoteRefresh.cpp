#include "services/boards/QuoteRefresh.h"

#include "core/app/Date.h"
#include "core/boards/BoardPrices.h"
#include "core/boards/BoardStore.h"
#include "core/boards/QuoteParse.h"
#include "core/settings/IniFile.h"
#include "platform/InetHttp.h"
#include "services/db/OpenDatabase.h"
#include "services/net/DialUpLine.h"

#include <QDateTime>
#include <algorithm>
#include <cctype>

namespace kestrel::services {

// "hh:mm" at the start of the page's small text, or nothing.
std::string QuoteRefresh::quoteTime(const std::string& label) {
    if (label.size() >= 5 && std::isdigit(static_cast<unsigned char>(label[0])) &&
        std::isdigit(static_cast<unsigned char>(label[1])) && label[2] == ':' &&
        std::isdigit(static_cast<unsigned char>(label[3])) && std::isdigit(static_cast<unsigned char>(label[4])))
        return label.substr(0, 5);
    return {};
}

void QuoteRefresh::setWaitCursor(bool wait) {
    if (waitCursor)
        waitCursor(wait);
}

QuoteRefresh::QuoteRefresh(AppContext& context, Prompt& prompt, QObject* parent)
    : QObject(parent), m_context(context), m_prompt(prompt) {
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(500);
    connect(&Timer1, &QTimer::timeout, this, &QuoteRefresh::timer1Timer);
}

QuoteRefresh::~QuoteRefresh() {
    delete GetHttp1;
    delete GetHttp2;
}

std::string QuoteRefresh::quoteHost(const std::string& iniPath) {
    std::string host = readProfileString(iniPath, boards::kSection, boards::kQuoteHostKey);
    return host.empty() ? boards::kDefaultQuoteHost : host;
}

std::string QuoteRefresh::failureLines(const std::vector<std::int32_t>& codes) {
    if (codes.empty())
        return {};
    std::string text = "\n" + std::to_string(codes.size()) + " 銘柄の現在値を取得できませんでした。\n未取得:";
    for (std::int32_t code : codes)
        text += " " + std::to_string(code);
    return text;
}

bool QuoteRefresh::CmdInet(bool confirm) {
    if (Timer1.isActive() || m_active)
        return false;
    if (confirm && !m_prompt.askYesNo("インターネットから株価を取得します　宜しいですか？"))
        return false;
    if (const DialUpLine& line = dialUpLine(); line.attemptConnect && !line.attemptConnect()) {
        m_prompt.notify("接続に失敗しました。");
        return false;
    }
    const QDateTime now = QDateTime::currentDateTime();
    const std::string stamp = Date::today().toYYMMDD() + " " + now.toString(QStringLiteral("hh:mm")).toStdString();
    if (Status st = writeProfileString(m_context.paths.iniPath, boards::kSection, boards::boardDateKey(m_board), stamp);
        !st)
        m_prompt.notify(st.message());
    auto db = openDatabaseOrTell(m_context.paths.databasePath, m_prompt);
    if (!db)
        return false;
    // The current values are not cleared first: a row whose page fails keeps the values it had.
    m_failed.clear();
    Q_EMIT started(QString::fromStdString(stamp));
    auto rows = boards::readBoard(**db, m_board, boards::BoardOrder::Table);
    if (!rows) {
        m_prompt.notify(rows.message());
        return false;
    }
    m_codes.clear();
    for (const boards::BoardRow& r : *rows)
        m_codes.push_back(r.code);
    m_next = 0;
    if (m_codes.empty()) {
        m_prompt.notify("取得する銘柄がありません。");
        return false;
    }
    m_host = quoteHost(m_context.paths.iniPath);
    setWaitCursor(true);
    m_active = true;
    Timer1.start();
    return true;
}

void QuoteRefresh::timer1Timer() {
    for (int round = 0; round < 2; ++round)
        for (int channel = 1; channel <= 2; ++channel)
            if (!halfStep(channel))
                return;
}

// One half-step of a channel: false when the end of the board was reached (dispatch stopped).
bool QuoteRefresh::halfStep(int channel) {
    if (m_next >= m_codes.size()) {
        stopDispatch();
        return false;
    }
    const std::int32_t code = m_codes[m_next];
    if (code <= 0) {
        // Such a row can have no page; passing it keeps the refresh moving.
        ++m_next;
        return true;
    }
    if (m_busy[channel - 1])
        return true;
    m_code[channel - 1] = code;
    m_busy[channel - 1] = true;
    auto* inet = new platform::InetHttp(this);
    if (channel == 1) {
        GetHttp1 = inet;
        connect(inet, &platform::InetHttp::Gethtm1, this, &QuoteRefresh::GetHttp1_Gethtm1);
    } else {
        GetHttp2 = inet;
        connect(inet, &platform::InetHttp::Gethtm2, this, &QuoteRefresh::GetHttp2_Gethtm2);
    }
    inet->DL(static_cast<qint16>(channel), code, QString::fromStdString(boards::quoteUrl(m_host, code)));
    ++m_next;
    return true;
}

void QuoteRefresh::GetHttp1_Gethtm1(const QString& text, qint32 id) {
    handlePage(1, text, id);
}

void QuoteRefresh::GetHttp2_Gethtm2(const QString& text, qint32 id) {
    handlePage(2, text, id);
}

void QuoteRefresh::handlePage(int channel, const QString& text, std::int32_t code) {
    const boards::QuoteRow row = boards::parseQuotePage(text.toStdString(), code);
    if (row.found) {
        if (!row.error.empty()) {
            setWaitCursor(false);
            Timer1.stop();
            m_prompt.notify(row.error);
        }
        if (auto db = openDatabaseOrTell(m_context.paths.databasePath, m_prompt)) {
            // The page names the time of its price in its small text when it gives one.
            const std::string time = quoteTime(row.label);
            if (Status st = boards::storePrice(**db, m_board, code, row.price, row.change,
                                               Currency::fromWhole(row.volume), Date::today(), time)
                                .status();
                !st)
                m_prompt.notify(st.message());
        }
    } else {
        m_failed.push_back(code);
        if (auto db = openDatabaseOrTell(m_context.paths.databasePath, m_prompt))
            (void)boards::markFailed(**db, m_board, code, "相場ページなし");
    }
    QPointer<platform::InetHttp>& inet = channel == 1 ? GetHttp1 : GetHttp2;
    if (inet)
        inet->deleteLater();
    inet = nullptr;
    m_busy[channel - 1] = false;
    Q_EMIT pageHandled(code, QString::fromStdString(row.label));
    checkCompletion();
}

void QuoteRefresh::stopDispatch() {
    Timer1.stop();
    // The last pages may already have arrived while the timer was still running.
    checkCompletion();
}

void QuoteRefresh::checkCompletion() {
    if (!m_active || Timer1.isActive() || m_busy[0] || m_busy[1])
        return;
    m_active = false;
    setWaitCursor(false);
    if (const DialUpLine& line = dialUpLine(); line.isConnected && line.isConnected() && line.hangUp)
        line.hangUp();
    // Rows never handed out (the refresh stopped at a bad cell) were not refreshed either. The list
    // follows the board's order.
    std::vector<std::int32_t> failed;
    for (size_t i = 0; i < m_codes.size(); ++i) {
        const std::int32_t code = m_codes[i];
        if (code > 0 && (i >= m_next || std::find(m_failed.begin(), m_failed.end(), code) != m_failed.end()))
            failed.push_back(code);
    }
    m_failed = failed;
    std::string more;
    m_alerts.clear();
    if (auto db = openDatabaseOrTell(m_context.paths.databasePath, m_prompt)) {
        if (auto rows = boards::readBoard(**db, m_board, boards::BoardOrder::Table)) {
            more = boards::summaryLines(*rows, boards::lastTradingDay(**db, Date::today()), false);
            m_alerts = boards::alertLines(*rows);
        }
    }
    m_prompt.notify("取得終了しました。" + failureLines(m_failed) + more);
    Q_EMIT completed();
}

} // namespace kestrel::services
