#pragma once
// frmFinsPages: an issue's company pages as of a day, in tabs: 業績推移 (the years, the forecast year
// marked 予, with a bar chart of sales and operating profit), 四半期 (the quarters as disclosed), 成長率
// (the growths as a table and a line plot) and BS・PL情報. Every number comes from core; the window
// only shows it.
#include "core/fins/FinsPages.h"
#include "core/startup/AppContext.h"

#include <QDialog>

class QTabWidget;
class QTableWidget;

namespace kestrel::ui {

class frmFinsPages : public QDialog {
    Q_OBJECT
public:
    enum class Page { Results, Quarters, Growth, Balance };

    // The pages of code (named name) as of day, page chosen; a database that will not open is told
    // and the window stays empty.
    frmFinsPages(AppContext& context, int code, const QString& name, Date day, Page page, QWidget* parent = nullptr);
    // The pages of figures already read (for a caller that has them).
    frmFinsPages(int code, const QString& name, const fins::IssuePages& pages, Page page, QWidget* parent = nullptr);

    QTabWidget* tabs = nullptr;
    QTableWidget *results = nullptr, *quarters = nullptr, *growth = nullptr, *balance = nullptr;

private:
    void build(int code, const QString& name, Page page);

    fins::IssuePages m_pages;
    QWidget *m_resultsChart = nullptr, *m_growthChart = nullptr;
};

} // namespace kestrel::ui
