#include "ui/chart/frmFarstMsg.h"

#include "core/converter/JQuantsHistory.h"
#include "core/converter/JQuantsSettings.h"
#include "core/import/IssueMaster.h"
#include "core/net/ServerFiles.h"
#include "core/settings/IniFile.h"
#include "platform/JQuantsClient.h"
#include "ui/app/JQuantsOptions.h"
#include "ui/app/MessageBox.h"
#include "ui/app/Shell.h"
#include "ui/chart/frmMain.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>

namespace kestrel::ui {

namespace {

QLabel* wrapped(const QString& text, const char* name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    return label;
}

} // namespace

frmFarstMsg::frmFarstMsg(frmMain* main) : QDialog(main), m_main(main) {
    setObjectName(QStringLiteral("frmFarstMsg"));
    setWindowTitle(QStringLiteral("銘柄登録"));
    Label1 = wrapped(QStringLiteral("初めての起動ですね　銘柄登録を最新にする必要があります。"), "Label1", this);

    auto* jquantsBox = new QGroupBox(QStringLiteral("J-Quants から銘柄登録と最新の株価を取り込む"), this);
    auto* how = wrapped(QStringLiteral("J-Quants の API キーを入れてプランを選び、「接続テスト」で確かめてから"
                                       "「J-Quants から取得」を押してください。銘柄登録と、プランで取得できる最新の %1 "
                                       "日分の株価を取り込み、最初の銘柄のチャートを表示します。")
                            .arg(kFirstStartDays),
                        "LblJQuantsHow", jquantsBox);
    JQuants = new JQuantsOptionsBox(m_main->context().paths.iniPath, jquantsBox);
    JQuants->setTitle(QString());
    JQuants->setFlat(true);
    // The key row never gives its height to a long message below it.
    JQuants->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    CmdJQuantsFetch = new QPushButton(QStringLiteral("J-Quants から取得"), jquantsBox);
    CmdJQuantsFetch->setObjectName(QStringLiteral("CmdJQuantsFetch"));
    CmdJQuantsCancel = new QPushButton(QStringLiteral("キャンセル"), jquantsBox);
    CmdJQuantsCancel->setObjectName(QStringLiteral("CmdJQuantsCancel"));
    CmdJQuantsCancel->setEnabled(false);
    CmdJQuantsCancel->setAutoDefault(false);
    LblJQuants = wrapped(QString(), "LblJQuants", jquantsBox);
    JQuantsProgress = new QProgressBar(jquantsBox);
    JQuantsProgress->setObjectName(QStringLiteral("JQuantsProgress"));
    JQuantsProgress->setRange(0, 1);
    JQuantsProgress->setValue(0);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CmdJQuantsFetch);
    buttons->addWidget(CmdJQuantsCancel);
    buttons->addStretch();
    auto* jquantsLayout = new QVBoxLayout(jquantsBox);
    jquantsLayout->addWidget(how);
    jquantsLayout->addWidget(JQuants);
    jquantsLayout->addLayout(buttons);
    jquantsLayout->addWidget(JQuantsProgress);
    jquantsLayout->addWidget(LblJQuants);

    auto* serverBox = new QGroupBox(QStringLiteral("データサーバーから銘柄登録を取り込む"), this);
    Label2 = wrapped(QStringLiteral("登録フォームが左上に出てきますから　データ取り込みを"), "Label2", serverBox);
    Label3 = wrapped(QStringLiteral("クリックして　銘柄登録を最新にして下さい。"), "Label3", serverBox);
    cmdFirstKido = new QPushButton(QStringLiteral("このボタンをクリックして銘柄登録を最新にして下さい。"), serverBox);
    cmdFirstKido->setObjectName(QStringLiteral("cmdFirstKido"));
    cmdFirstKido->setAutoDefault(false);
    auto* serverLayout = new QVBoxLayout(serverBox);
    serverLayout->addWidget(Label2);
    serverLayout->addWidget(Label3);
    serverLayout->addWidget(cmdFirstKido);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->addWidget(Label1);
    layout->addWidget(jquantsBox);
    layout->addWidget(serverBox);
    setMinimumWidth(560);
    setMaximumSize(1280, 720);

    // Enter anywhere but on another button fetches.
    JQuants->CmdJQuantsTest->setAutoDefault(false);
    CmdJQuantsFetch->setDefault(true);
    connect(CmdJQuantsFetch, &QPushButton::clicked, this, &frmFarstMsg::fetchJQuants);
    connect(CmdJQuantsCancel, &QPushButton::clicked, this, [this] {
        if (m_run)
            m_run->cancel();
    });
    connect(cmdFirstKido, &QPushButton::clicked, this, &frmFarstMsg::cmdFirstKidoClick);
    JQuants->JQuantsKey->setFocus();
}

frmFarstMsg::~frmFarstMsg() = default;

void frmFarstMsg::setRunning(bool running) {
    CmdJQuantsFetch->setEnabled(!running);
    CmdJQuantsCancel->setEnabled(running);
    JQuants->setEnabled(!running);
    cmdFirstKido->setEnabled(!running);
    if (running)
        CmdJQuantsCancel->setFocus();
}

void frmFarstMsg::fetchJQuants() {
    if (m_run)
        return;
    WidgetPrompt prompt(this);
    // The typed key is used for this run even when the keyring cannot keep it (the save says so).
    const std::string typed = converter::jquants::trimKey(JQuants->JQuantsKey->text().toStdString());
    JQuants->save(prompt);
    QString why;
    auto options = platform::jquantsOptions(m_main->context().paths.iniPath, &why, {}, QString::fromStdString(typed));
    if (!options) {
        prompt.notify(why.toStdString());
        JQuants->JQuantsKey->setFocus();
        return;
    }
    m_run = std::make_unique<services::LatestPricesRun>(m_main->context(), *options);
    m_run->progress = [this](const std::string& text, int done, int total) {
        JQuantsProgress->setRange(0, std::max(total, 1));
        JQuantsProgress->setValue(std::min(done, std::max(total, 1)));
        LblJQuants->setText(QString::fromStdString(text));
        QCoreApplication::processEvents();
    };
    setRunning(true);
    const services::LatestPricesOutcome outcome = m_run->run(kFirstStartDays, prompt);
    m_run.reset();
    setRunning(false);
    const QString message = QString::fromStdString(services::latestPricesMessage(outcome));
    if (outcome.rows > 0 && outcome.firstCode > 0) {
        m_firstCode = outcome.firstCode;
        m_result = message;
        askHistoryOnce(prompt);
        accept();
        return;
    }
    LblJQuants->setText(message);
    if (!outcome.cancelled)
        prompt.notify(message.toStdString());
    CmdJQuantsFetch->setFocus();
}

void frmFarstMsg::askHistoryOnce(Prompt& prompt) {
    const std::string& ini = m_main->context().paths.iniPath;
    if (readProfileString(ini, "Kestrel", kHistoryAskedKey) == "1")
        return;
    // Asked once: the answer, yes or no, is not asked for again (the menu's 履歴の取得 stays).
    (void)writeProfileString(ini, "Kestrel", kHistoryAskedKey, "1");
    const converter::jquants::JQuantsSettings settings = converter::jquants::loadJQuantsSettings(ini);
    if (!prompt.askYesNo(converter::jquants::backfillQuestion(settings.plan, settings.pace())))
        return;
    QString why;
    if (!m_main->history()->startBackfill(&why))
        prompt.notify(why.toStdString());
}

void frmFarstMsg::cmdFirstKidoClick() {
    const Settings& settings = m_main->context().settings;
    OpenWebPage(QString::fromStdString(settings.MURL));
    m_main->HandOverText = QStringLiteral("1");
    m_main->openScreen(frmMain::Screen::IntReadData);
    const QString handOver = m_main->HandOverText;
    m_main->HandOverText = QStringLiteral("1");
    if (handOver == QString::fromUtf8(import::kReadFinished)) {
        m_result = QStringLiteral("銘柄登録を最新にしました 株価データの読込みを行ってください。");
        accept();
        return;
    }
    // Nothing came from the data server: say so, and stay on the J-Quants road.
    if (handOver.startsWith(QString::fromUtf8(net::kNotFoundMessage))) {
        QString text = QStringLiteral("データサーバー（%1）に接続できませんでした。銘柄登録は最新になっていません。")
                           .arg(QString::fromStdString(settings.DURL));
        const QString note = handOver.mid(handOver.indexOf(QLatin1Char('\n')) + 1);
        if (handOver.contains(QLatin1Char('\n')) && !note.isEmpty())
            text += QLatin1Char('\n') + note;
        text += QStringLiteral("\nJ-Quants の API キーがあれば、「J-Quants から取得」で銘柄登録と株価を取り込めます。");
        LblJQuants->setText(text);
        // The longer text takes room of its own: the window grows (within the screen), the key row keeps its height.
        adjustSize();
        WidgetPrompt(this).notify(text.toStdString());
        JQuants->JQuantsKey->setFocus();
        return;
    }
    if (!handOver.isEmpty() && handOver != QStringLiteral("1"))
        WidgetPrompt(this).notify(handOver.toStdString());
}

void frmFarstMsg::reject() {
    if (m_run) {
        m_run->cancel();
        return;
    }
    QDialog::reject();
}

void frmFarstMsg::closeEvent(QCloseEvent* event) {
    if (m_run) {
        m_run->cancel();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace kestrel::ui
