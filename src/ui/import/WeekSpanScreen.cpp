#include "ui/import/WeekSpanScreen.h"

#include "core/db/Schema.h"
#include "core/import/DateRange.h"
#include "ui/app/MessageBox.h"
#include "ui/app/Widgets.h"
#include "ui/import/ImportUi.h"

#include <QCloseEvent>
#include <QHBoxLayout>

namespace kestrel::ui {

WeekSpanScreen::WeekSpanScreen(AppContext& context, const char* objectName, const QString& title, QWidget* parent)
    : QDialog(parent), m_context(context) {
    setObjectName(QString::fromLatin1(objectName));
    setWindowTitle(title);
    ReadDateji = named(new QLineEdit(this), "ReadDateji");
    ReadDateitaru = named(new QLineEdit(this), "ReadDateitaru");
    LabReadDateji = named(new QLabel(this), "LabReadDateji");
    LabReadDateitaru = named(new QLabel(this), "LabReadDateitaru");
    Frame1 = named(new QGroupBox(this), "Frame1");
    Option1 = named(new QRadioButton(QStringLiteral("←"), Frame1), "Option1");
    Option2 = named(new QRadioButton(QStringLiteral("→"), Frame1), "Option2");
    auto* frame = new QHBoxLayout(Frame1);
    frame->addWidget(Option1);
    frame->addWidget(Option2);
    CmdStartDate = named(new QPushButton(QStringLiteral("月曜日付"), this), "CmdStartDate");
    CmdEndDate = named(new QPushButton(QStringLiteral("金曜日付"), this), "CmdEndDate");
    CmdClose = named(new QPushButton(QStringLiteral("キャンセル"), this), "CmdClose");
    LabPa = named(new QLabel(this), "LabPa");

    m_grid = new QGridLayout(this);
    m_grid->addWidget(new QLabel(QStringLiteral("期間日付　自")), 0, 0);
    m_grid->addWidget(ReadDateji, 0, 1);
    m_grid->addWidget(LabReadDateji, 0, 2);
    m_grid->addWidget(CmdStartDate, 0, 3);
    m_grid->addWidget(new QLabel(QStringLiteral("～　至")), 1, 0);
    m_grid->addWidget(ReadDateitaru, 1, 1);
    m_grid->addWidget(LabReadDateitaru, 1, 2);
    m_grid->addWidget(CmdEndDate, 1, 3);
    m_grid->addWidget(Frame1, 2, 0, 1, 2);
    m_grid->addWidget(LabPa, 2, 3);
    m_grid->addWidget(CmdClose, 4, 3);

    installImportDateBox(ReadDateji, LabReadDateji);
    installImportDateBox(ReadDateitaru, LabReadDateitaru);
    connect(CmdStartDate, &QPushButton::clicked, this, &WeekSpanScreen::moveStart);
    connect(CmdEndDate, &QPushButton::clicked, this, &WeekSpanScreen::moveEnd);
    connect(CmdClose, &QPushButton::clicked, this, &QDialog::reject);

    // Opening: from the latest daily bar (a Friday or Saturday stays in its week) to today, widened to
    // whole weeks.
    const Date today = importToday();
    Date start = today, end = today;
    if (auto db = db::openKestrelDatabase(context.paths.databasePath, db::OpenMode::ReadOnly))
        if (auto latest = latestDailyDate(**db)) {
            start = latest->weekday() == 6 || latest->weekday() == 7 ? *latest : latest->addDays(1);
            end = start > today ? start : today;
        }
    ReadDateji->setText(yymmdd(PrevMonday(start)));
    ReadDateitaru->setText(yymmdd(NextFriday(end)));
    Option1->setChecked(true);
}

void WeekSpanScreen::moveStart() {
    auto d = boxDate(ReadDateji);
    if (!d) {
        WidgetPrompt(this).notify(import::kBadDate);
        ReadDateji->setFocus();
        return;
    }
    ReadDateji->setText(yymmdd(Option1->isChecked() ? PrevMonday(d->addDays(-1)) : NextMonday(d->addDays(1))));
}

void WeekSpanScreen::moveEnd() {
    auto d = boxDate(ReadDateitaru);
    if (!d) {
        WidgetPrompt(this).notify(import::kBadDate);
        ReadDateitaru->setFocus();
        return;
    }
    ReadDateitaru->setText(yymmdd(Option1->isChecked() ? PrevFriday(d->addDays(-1)) : NextFriday(d->addDays(1))));
}

bool WeekSpanScreen::checkSpan() {
    import::RangeCheck check = import::checkDateRange(boxDate(ReadDateji), boxDate(ReadDateitaru), true);
    if (check.ok())
        return true;
    WidgetPrompt(this).notify(check.message);
    if (check.focus != import::DateBox::None)
        (check.focus == import::DateBox::Start ? ReadDateji : ReadDateitaru)->setFocus();
    return false;
}

void WeekSpanScreen::closeEvent(QCloseEvent* event) {
    if (m_busy)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void WeekSpanScreen::done(int r) {
    if (!m_busy)
        QDialog::done(r);
}

} // namespace kestrel::ui
