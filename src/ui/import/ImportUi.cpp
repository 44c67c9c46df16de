#include "ui/import/ImportUi.h"

#include "core/app/DateText.h"
#include "core/app/Progress.h"
#include "core/db/BarTable.h"
#include "core/db/LatestDate.h"
#include "ui/app/DateBox.h"

#include <QApplication>
#include <QCoreApplication>

namespace kestrel::ui {
namespace {
std::optional<Date> g_today;
} // namespace

Date importToday() {
    return g_today ? *g_today : Date::today();
}
void setImportTodayForTests(std::optional<Date> today) {
    g_today = today;
}

QString yymmdd(Date d) {
    return QString::fromStdString(listDate(d));
}
std::optional<Date> boxDate(const QLineEdit* box) {
    return Date::parseEntry(box->text().trimmed().toStdString());
}

void installImportDateBox(QLineEdit* box, QLabel* weekdayLabel) {
    installDateBox(box);
    auto update = [box, weekdayLabel] {
        auto d = boxDate(box);
        weekdayLabel->setText(d ? QString::fromStdString(weekdayName(*d)) + QStringLiteral("曜日") : QString());
    };
    QObject::connect(box, &QLineEdit::textChanged, weekdayLabel, update);
    update();
}

void connectDayButton(QPushButton* button, QLineEdit* box, int days) {
    QObject::connect(button, &QPushButton::clicked, box, [box, days] {
        if (auto d = boxDate(box))
            box->setText(yymmdd(d->addDays(days)));
        box->setFocus();
    });
}

std::optional<Date> latestDailyDate(db::Database& db) {
    auto latest = db::latestStoredDate(db, db::barTableName(db::BarTable::Daily));
    return latest ? *latest : std::nullopt;
}

// Qualified in full: a line that begins with "import" reads to the formatter as a module import.
kestrel::import::ImportProgress labelProgress(QLabel* labPa, QLabel* labFileName) {
    kestrel::import::ImportProgress p;
    p.percent = [labPa](int percent) {
        labPa->setText(QString::fromStdString(formatPercent(percent)));
        labPa->repaint();
        QCoreApplication::processEvents();
    };
    if (labFileName)
        p.step = [labFileName](const std::string& text) {
            labFileName->setText(QString::fromStdString(text));
            labFileName->repaint();
            QCoreApplication::processEvents();
        };
    p.idle = [] { QCoreApplication::processEvents(); };
    return p;
}

BusyCursor::BusyCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}
BusyCursor::~BusyCursor() {
    QApplication::restoreOverrideCursor();
}

} // namespace kestrel::ui
