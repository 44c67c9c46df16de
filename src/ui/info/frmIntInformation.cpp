#include "ui/info/frmIntInformation.h"

#include "core/db/Schema.h"
#include "core/info/ComputedLists.h"
#include "core/info/DownloadInformation.h"
#include "core/net/MasterDownload.h"
#include "ui/app/DateBox.h"
#include "ui/app/MessageBox.h"
#include "ui/app/Widgets.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kestrel::ui {
namespace {

constexpr int kBarInset = 30; // the bar runs from 30 px inside the frame to 30 px before its end

} // namespace

frmIntInformation::frmIntInformation(AppContext& context, QString& handOverText, QWidget* parent)
    : TransferDialog(context, handOverText, parent) {
    setObjectName(QStringLiteral("frmIntInformation"));
    setWindowTitle(QStringLiteral("株式情報取得"));
    Label2 = named(new QLabel(QStringLiteral("日付"), this), "Label2");
    ReadDateji = named(new QLineEdit(this), "ReadDateji");
    Label1 = named(new QLabel(QStringLiteral("～"), this), "Label1");
    ReadDateitaru = named(new QLineEdit(this), "ReadDateitaru");
    CmdJiUp = button(this, "CmdJiUp", QStringLiteral("▲"));
    CmdJiDu = button(this, "CmdJiDu", QStringLiteral("▼"));
    CmditarUp = button(this, "CmditarUp", QStringLiteral("▲"));
    CmditarDu = button(this, "CmditarDu", QStringLiteral("▼"));
    CmdInetRead[0] = button(this, "CmdInetRead", QStringLiteral("情報取込"));
    CmdInetRead[1] = button(this, "CmdInetRead", QStringLiteral("情報の種類取り込み"));
    CmdClose = button(this, "CmdClose", QStringLiteral("ｷｬﾝｾﾙ"));
    LblText = named(new QLabel(this), "LblText");
    Label5 = named(new QFrame(this), "Label5");
    Label5->setFrameShape(QFrame::Panel);
    Label5->setFrameShadow(QFrame::Sunken);
    Label5->setFixedSize(400, 24);
    ShapeBox = named(new QFrame(Label5), "ShapeBox");
    ShapeBox->setAutoFillBackground(true);
    QPalette bar = ShapeBox->palette();
    bar.setColor(QPalette::Window, QColor(0, 0, 160));
    ShapeBox->setPalette(bar);
    ShapeBox->setGeometry(kBarInset, 6, 0, 12);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label2, 0, 0, 2, 1);
    grid->addWidget(ReadDateji, 0, 1, 2, 1);
    grid->addWidget(CmdJiUp, 0, 2);
    grid->addWidget(CmdJiDu, 1, 2);
    grid->addWidget(Label1, 0, 3, 2, 1);
    grid->addWidget(ReadDateitaru, 0, 4, 2, 1);
    grid->addWidget(CmditarUp, 0, 5);
    grid->addWidget(CmditarDu, 1, 5);
    grid->addWidget(LblText, 2, 0, 1, 6);
    grid->addWidget(Label5, 3, 0, 1, 6);
    grid->addWidget(CmdInetRead[0], 4, 0, 1, 2);
    grid->addWidget(CmdInetRead[1], 4, 2, 1, 2);
    grid->addWidget(CmdClose, 4, 4, 1, 2);

    installDateBox(ReadDateji);
    installDateBox(ReadDateitaru);
    for (int i = 0; i < 2; ++i) {
        CmdInetRead[i]->setProperty("index", i);
        connect(CmdInetRead[i], &QPushButton::clicked, this, [this, i] { cmdInetReadClick(i); });
    }
    connect(CmdJiUp, &QPushButton::clicked, this, [this] { spin(ReadDateji, 1); });
    connect(CmdJiDu, &QPushButton::clicked, this, [this] { spin(ReadDateji, -1); });
    connect(CmditarUp, &QPushButton::clicked, this, [this] { spin(ReadDateitaru, 1); });
    connect(CmditarDu, &QPushButton::clicked, this, [this] { spin(ReadDateitaru, -1); });
    connect(CmdClose, &QPushButton::clicked, this, &frmIntInformation::cmdCloseClick);
    inetFlgs = false;
}

void frmIntInformation::activate() {
    QCoreApplication::processEvents();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    LblText->setText(QStringLiteral("日付取得中....."));
    const Date today = Date::today();
    Date start = today, end = today;
    auto db = db::openKestrelDatabase(m_context.paths.databasePath, db::OpenMode::ReadOnly);
    auto latest = db ? db::latestStoredDate(**db, "informationData") : Result<std::optional<Date>>(db.status());
    if (!latest) {
        WidgetPrompt(this).notify(latest.message());
    } else if (*latest) {
        start = net::nextDataDate(**latest);
        end = start > today ? start : today;
    }
    ReadDateji->setText(QString::fromStdString(start.toYYMMDD()));
    ReadDateitaru->setText(QString::fromStdString(end.toYYMMDD()));
    LblText->setText(QStringLiteral("株式情報自動取得....."));
    QApplication::restoreOverrideCursor();
}

void frmIntInformation::unload() {
    Inet->cancel();
    m_computeCancelled = true;
}

void frmIntInformation::spin(QLineEdit* box, int days) {
    if (auto d = Date::parseEntry(box->text().toStdString()))
        box->setText(QString::fromStdString(d->addDays(days).toYYMMDD()));
    box->setFocus();
}

void frmIntInformation::setProgress(int done, int total) {
    const int full = Label5->width() - 60;
    ShapeBox->resize(total > 0 ? full * done / total : 0, ShapeBox->height());
}

void frmIntInformation::cmdInetReadClick(int index) {
    if (transferring())
        return; // a run is still going
    info::InfoDownloadOptions options;
    options.mode = index;
    options.ask = true;
    options.kindsFromServer = true;
    options.startText = ReadDateji->text().toStdString();
    options.endText = ReadDateitaru->text().toStdString();
    info::InfoDownloadObserver observer;
    observer.status = [this](const std::string& text) {
        LblText->setText(QString::fromStdString(text));
        LblText->repaint();
    };
    observer.progress = [this](int done, int total) { setProgress(done, total); };
    observer.transferStarted = [this] {
        inetFlgs = true;
        setBackColour(kTransferColour);
    };
    WidgetPrompt prompt(this);
    setTransferring(true);
    info::InfoDownloadResult r;
    if (index == 0 && computesInformation(m_context.settings)) {
        // Computed from the stored prices: ｷｬﾝｾﾙ stops it between days, each finished day stays.
        observer.progress = [this](int done, int total) {
            setProgress(done, total);
            QCoreApplication::processEvents();
        };
        observer.transferStarted = [this] { setBackColour(kTransferColour); }; // no transfer to break off
        m_computeCancelled = false;
        r = info::ComputeInformation(m_context.paths, options, m_context.splitAdjust, prompt, observer,
                                     [this] { return m_computeCancelled; });
    } else {
        r = info::DownloadInformation(m_context.paths, m_context.settings.DURL, options, fetcher(), prompt, observer);
    }
    setTransferring(false);
    if (!r.ran || r.cancelled)
        return; // stopped before starting, or the window was closed meanwhile
    m_handOverText = QString::fromStdString(r.message);
    closeWindow();
}

} // namespace kestrel::ui
