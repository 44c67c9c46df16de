#include "ui/import/frmZenjitusa.h"

#include "core/db/Schema.h"
#include "core/import/DateRange.h"
#include "core/import/Recompute.h"
#include "ui/app/DateBox.h"
#include "ui/app/MessageBox.h"
#include "ui/import/ImportUi.h"

#include <QCloseEvent>
#include <QDate>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kestrel::ui {

frmZenjitusa::frmZenjitusa(AppContext& context, QWidget* parent) : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("frmZenjitusa"));
    setWindowTitle(QStringLiteral("前日比再計算"));
    txtStartDate = new QLineEdit(this);
    txtStartDate->setObjectName(QStringLiteral("txtStartDate"));
    auto* frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    Option1 = new QRadioButton(QStringLiteral("日データー"), frame);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option2 = new QRadioButton(QStringLiteral("週データー"), frame);
    Option2->setObjectName(QStringLiteral("Option2"));
    auto* frameLayout = new QHBoxLayout(frame);
    frameLayout->addWidget(Option1);
    frameLayout->addWidget(Option2);
    CmdSaikeisan = new QPushButton(QStringLiteral("前日比再計算"), this);
    CmdSaikeisan->setObjectName(QStringLiteral("CmdSaikeisan"));
    LabPa = new QLabel(this);
    LabPa->setObjectName(QStringLiteral("LabPa"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtStartDate);
    layout->addWidget(frame);
    layout->addWidget(CmdSaikeisan);
    layout->addWidget(LabPa);

    installDateBox(txtStartDate);
    // One month before today, the same day of the month (or the month's last day).
    const Date today = importToday();
    QDate back = QDate(today.year(), today.month(), today.day()).addMonths(-1);
    txtStartDate->setText(yymmdd(*Date::fromYmd(back.year(), back.month(), back.day())));
    Option1->setChecked(true);
    connect(CmdSaikeisan, &QPushButton::clicked, this, &frmZenjitusa::recompute);
}

void frmZenjitusa::recompute() {
    if (m_busy)
        return;
    WidgetPrompt prompt(this);
    auto start = boxDate(txtStartDate);
    if (!start) {
        prompt.notify(import::kBadDate);
        txtStartDate->setFocus();
        return;
    }
    if (!prompt.askYesNo(import::kRecomputeAsk))
        return;
    m_busy = true;
    Status st;
    {
        BusyCursor hourglass;
        auto db = db::openKestrelDatabase(m_context.paths.databasePath);
        st = db ? import::recomputeChanges(**db, Option1->isChecked() ? db::BarTable::Daily : db::BarTable::Weekly,
                                           *start, labelProgress(LabPa, nullptr))
                : db.status();
    }
    m_busy = false;
    prompt.notify(st ? import::kRecomputeDone : st.message());
}

void frmZenjitusa::closeEvent(QCloseEvent* event) {
    if (m_busy)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void frmZenjitusa::done(int r) {
    if (!m_busy)
        QDialog::done(r);
}

} // namespace kestrel::ui
