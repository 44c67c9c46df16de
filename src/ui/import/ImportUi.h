#pragma once
// What the import screens share: today's date (settable by tests), the date texts of the boxes, the
// weekday label beside a date box, the hourglass while a job runs, and the progress label.
#include "core/app/Date.h"
#include "core/db/Database.h"
#include "core/import/ImportProgress.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <memory>
#include <optional>

namespace kestrel::ui {

// Today, or the date a test fixed.
Date importToday();
void setImportTodayForTests(std::optional<Date> today);

// "26/01/05": every date box of the import windows shows this one form.
QString yymmdd(Date d);
std::optional<Date> boxDate(const QLineEdit* box);

// The date-box behaviour of the import screens: select all on focus, "/" while typing, and the
// weekday name ("月曜日") in label after each change, or nothing when the text is not a date.
void installImportDateBox(QLineEdit* box, QLabel* weekdayLabel);
// A button that moves the date in box by days (when it holds one), writes it back in the short date
// form and puts the focus on the box.
void connectDayButton(QPushButton* button, QLineEdit* box, int days);

// The latest date of dayData, or nothing (also when the database cannot be read).
std::optional<Date> latestDailyDate(db::Database& db);

// Progress shown in LabPa ("##" on whole parts ending in 0 or 5) and the step in LabFileName (when
// given); the event queue is serviced so the window stays live.
kestrel::import::ImportProgress labelProgress(QLabel* labPa, QLabel* labFileName);

// Hourglass pointer for the lifetime of the object.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace kestrel::ui
