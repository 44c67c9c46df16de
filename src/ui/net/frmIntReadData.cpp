#include "ui/net/frmIntReadData.h"

#include "core/db/Schema.h"
#include "core/net/MasterDownload.h"
#include "core/net/ServerFiles.h"
#include "ui/app/DateBox.h"
#include "ui/app/MessageBox.h"
#include "ui/app/Widgets.h"
#include "ui/db/ModeCaption.h"
#include "ui/net/JQuantsMaster.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kestrel::ui {

frmIntReadData::frmIntReadData(AppContext& context, QString& handOverText, QWidget* parent)
    : TransferDialog(context, handOverText, parent), m_mode(handOverText) {
    setObjectName(QStringLiteral("frmIntReadData"));
    setWindowTitle(QStringLiteral("株価データー取得"));
    Label2 = named(new QLabel(QStringLiteral("日付"), this), "Label2");
    ReadDateji = named(new QLineEdit(this), "ReadDateji");
    Label1 = named(new QLabel(QStringLiteral("～"), this), "Label1");
    ReadDateitaru = named(new QLineEdit(this), "ReadDateitaru");
    LblText = named(new QLabel(this), "LblText");
    CmdInetRead = button(this, "CmdInetRead", QStringLiteral("データー取込"));
    CmdClose = button(this, "CmdClose", QStringLiteral("キャンセル"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label2, 0, 0);
    grid->addWidget(ReadDateji, 0, 1);
    grid->addWidget(Label1, 0, 2);
    grid->addWidget(ReadDateitaru, 0, 3);
    grid->addWidget(LblText, 1, 0, 1, 4);
    grid->addWidget(CmdInetRead, 2, 0, 1, 2);
    grid->addWidget(CmdClose, 2, 2, 1, 2);

    installDateBox(ReadDateji);
    installDateBox(ReadDateitaru);
    connect(ReadDateji, &QLineEdit::editingFinished, this, [this] { ReadDateitaru->setText(ReadDateji->text()); });
    connect(CmdInetRead, &QPushButton::clicked, this, &frmIntReadData::cmdInetReadClick);
    connect(CmdClose, &QPushButton::clicked, this, &frmIntReadData::cmdCloseClick);

    if (issueMode())
        for (QWidget* w : {static_cast<QWidget*>(Label2), static_cast<QWidget*>(ReadDateji),
                           static_cast<QWidget*>(Label1), static_cast<QWidget*>(ReadDateitaru)})
            w->hide();
    inetFlgs = false;
}

frmIntReadData::~frmIntReadData() {
    ReadDateji->disconnect(this);
}

void frmIntReadData::activate() {
    QCoreApplication::processEvents();
    if (issueMode()) {
        LblText->setText(QStringLiteral("銘柄ﾃﾞｰﾀ自動取得"));
    } else {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        LblText->setText(QStringLiteral("日付取得中....."));
        Date start = Date::today();
        auto db = db::openKestrelDatabase(m_context.paths.databasePath, db::OpenMode::ReadOnly);
        auto latest = db ? db::latestStoredDate(**db, db::barTableName(m_context.barTable()))
                         : Result<std::optional<Date>>(db.status());
        if (!latest)
            WidgetPrompt(this).notify(latest.message());
        else if (*latest)
            start = net::nextDataDate(**latest);
        ReadDateji->setText(QString::fromStdString(start.toYYMMDD()));
        ReadDateitaru->setText(ReadDateji->text());
        LblText->setText(QStringLiteral("株価ﾃﾞｰﾀ取得中"));
        SetModeCaption(this, m_context.chartMode, false);
        QApplication::restoreOverrideCursor();
    }
    setBackColour(kIdleColour);
}

void frmIntReadData::cmdInetReadClick() {
    if (transferring())
        return; // the confirmed download is still running
    WidgetPrompt prompt(this);
    std::optional<Date> start;
    if (m_mode == QStringLiteral("2")) {
        start = Date::parseEntry(ReadDateji->text().toStdString());
        auto end = Date::parseEntry(ReadDateitaru->text().toStdString());
        if (!start || !end) {
            prompt.notify("日付を入力して下さい。");
            return;
        }
        if (*end < *start) {
            prompt.notify("日付範囲が誤っています。");
            return;
        }
    }
    const std::string question =
        issueMode() ? std::string("銘柄データーを取得します　よろしいですか？")
                    : (start ? start->toYYMMDD() : std::string()) + "からのデーターを取得します　よろしいですか？";
    if (!prompt.askYesNo(question))
        return;
    inetFlgs = true;
    setBackColour(kTransferColour);
    bool written = false;
    std::string note;
    if (issueMode()) {
        LblText->setText(QStringLiteral("銘柄ﾃﾞｰﾀ取得中"));
        setTransferring(true);
        net::MasterDownload r =
            jquantsSelected(m_context)
                ? downloadJQuantsMaster(m_context)
                : net::downloadIssueMasterFile(fetcher(), m_context.settings.DURL, m_context.paths.dataFolder);
        setTransferring(false);
        if (r.cancelled)
            return; // the window was closed during the transfer
        written = r.written;
        note = r.note;
        if (!written)
            LblText->setText(QStringLiteral("銘柄ﾃﾞｰﾀ ｽｷｯﾌﾟ"));
    }
    if (m_mode != QStringLiteral("4") && written) {
        closeWindow();
        if (openReadData)
            openReadData();
        return;
    }
    m_handOverText = QString::fromUtf8(net::kNotFoundMessage);
    if (!note.empty())
        m_handOverText += QLatin1Char('\n') + QString::fromStdString(note);
    closeWindow();
}

} // namespace kestrel::ui
