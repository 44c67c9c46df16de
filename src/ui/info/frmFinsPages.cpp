#include "ui/info/frmFinsPages.h"

#include "ui/app/OpenDatabase.h"
#include "ui/app/Widgets.h"
#include "ui/app/WindowFit.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QHeaderView>
#include <QLineSeries>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <cmath>

namespace kestrel::ui {

namespace {

QTableWidget* tableOf(QWidget* parent, const char* name, const fins::PageTable& t) {
    auto* table =
        named(new QTableWidget(static_cast<int>(t.rows.size()), static_cast<int>(t.heads.size()), parent), name);
    QStringList heads;
    for (const std::string& h : t.heads)
        heads << QString::fromStdString(h);
    table->setHorizontalHeaderLabels(heads);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->setVisible(false);
    table->verticalHeader()->setDefaultSectionSize(20);
    for (size_t r = 0; r < t.rows.size(); ++r)
        for (size_t c = 0; c < t.rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(QString::fromStdString(t.rows[r][c]));
            item->setTextAlignment(Qt::AlignVCenter | (c == 0 ? Qt::AlignLeft : Qt::AlignRight));
            table->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    table->resizeColumnsToContents();
    return table;
}

// A chart of the years: its categories the fiscal periods, its value axis fitted to what it shows.
QChartView* chartView(QChart* chart, const QStringList& periods, double low, double high, const QString& unit) {
    auto* x = new QBarCategoryAxis;
    x->append(periods);
    chart->addAxis(x, Qt::AlignBottom);
    auto* y = new QValueAxis;
    if (low == high)
        high = low + 1;
    y->setRange(std::min(0.0, low), std::max(0.0, high));
    y->applyNiceNumbers();
    y->setTitleText(unit);
    y->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* s : chart->series()) {
        s->attachAxis(x);
        s->attachAxis(y);
    }
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto* view = new QChartView(chart);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumHeight(260);
    return view;
}

} // namespace

frmFinsPages::frmFinsPages(AppContext& context, int code, const QString& name, Date day, Page page, QWidget* parent)
    : QDialog(parent) {
    if (auto db = openDatabaseOrTell(context.paths.databasePath, this, db::OpenMode::ReadOnly)) {
        auto pages = fins::pagesOfIssue(**db, code, day);
        if (pages)
            m_pages = std::move(*pages);
        else
            MessageBox::information(this, QString::fromStdString(pages.message()));
    }
    m_pages.figures.date = day;
    build(code, name, page);
}

frmFinsPages::frmFinsPages(int code, const QString& name, const fins::IssuePages& pages, Page page, QWidget* parent)
    : QDialog(parent), m_pages(pages) {
    build(code, name, page);
}

void frmFinsPages::build(int code, const QString& name, Page page) {
    setObjectName(QStringLiteral("frmFinsPages"));
    setWindowTitle(QStringLiteral("%1 %2 株式情報（%3 時点、金額は百万円）")
                       .arg(code, 4, 10, QLatin1Char('0'))
                       .arg(name, QString::fromStdString(m_pages.figures.date.toSlashed())));
    const fins::FinsFigures& f = m_pages.figures;
    tabs = named(new QTabWidget(this), "tabs");

    // 業績推移: the years and a bar chart of sales and operating profit.
    results = tableOf(this, "results", fins::resultsPage(f));
    QStringList periods;
    auto* sales = new QBarSet(QStringLiteral("売上高"));
    auto* op = new QBarSet(QStringLiteral("営業益"));
    double low = 0, high = 0;
    for (const fins::FiscalYearFigures& y : f.years) {
        periods << QString::fromStdString(fins::fiscalPeriodText(y));
        for (auto [set, v] : {std::pair{sales, y.sales}, std::pair{op, y.op}}) {
            const double m = v ? *v / 1e6 : 0;
            set->append(m);
            low = std::min(low, m);
            high = std::max(high, m);
        }
    }
    auto* bars = new QBarSeries;
    bars->append(sales);
    bars->append(op);
    auto* resultsChart = new QChart;
    resultsChart->addSeries(bars);
    resultsChart->setTitle(QStringLiteral("売上高と営業益"));
    m_resultsChart = named(chartView(resultsChart, periods, low, high, QStringLiteral("百万円")), "resultsChart");
    auto* resultsPage = new QSplitter(Qt::Vertical, this);
    resultsPage->addWidget(results);
    resultsPage->addWidget(m_resultsChart);
    resultsPage->setSizes({240, 320}); // a table of about ten years above the chart
    tabs->addTab(resultsPage, QStringLiteral("業績推移"));

    quarters = tableOf(this, "quarters", fins::quartersPage(m_pages.quarters));
    tabs->addTab(quarters, QStringLiteral("四半期"));

    // 成長率: the table and a line of each year-on-year growth.
    growth = tableOf(this, "growth", fins::growthPage(f));
    const std::vector<fins::YearGrowth> gs = fins::growthByYear(f);
    auto* growthChart = new QChart;
    growthChart->setTitle(QStringLiteral("前年比（%）"));
    low = high = 0;
    const struct {
        const char* name;
        std::optional<double> fins::YearGrowth::*value;
    } kLines[] = {{"売上高", &fins::YearGrowth::sales},
                  {"営業益", &fins::YearGrowth::op},
                  {"最終益", &fins::YearGrowth::np},
                  {"1株益", &fins::YearGrowth::eps}};
    for (const auto& l : kLines) {
        auto* line = new QLineSeries;
        line->setName(QString::fromUtf8(l.name));
        for (size_t i = 0; i < gs.size(); ++i)
            if (const auto& v = gs[i].*l.value; v && std::isfinite(*v)) {
                line->append(static_cast<double>(i), *v); // the category's index on the bar axis
                low = std::min(low, *v);
                high = std::max(high, *v);
            }
        growthChart->addSeries(line);
    }
    m_growthChart = named(chartView(growthChart, periods, low, high, QStringLiteral("%")), "growthChart");
    auto* growthPage = new QSplitter(Qt::Vertical, this);
    growthPage->addWidget(growth);
    growthPage->addWidget(m_growthChart);
    growthPage->setSizes({240, 320});
    tabs->addTab(growthPage, QStringLiteral("成長率"));

    balance = tableOf(this, "balance", fins::balancePage(f));
    tabs->addTab(balance, QStringLiteral("BS・PL情報"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    resize(std::min(960, kWindowRoom.width()), std::min(600, kWindowRoom.height()));
    tabs->setCurrentIndex(static_cast<int>(page));
}

} // namespace kestrel::ui
