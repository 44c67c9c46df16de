// The company pages of an issue from the 株式情報 menu: the years, the forecast year marked 予, the
// growths and the balance sheet, within the room of the screen.
#include "core/db/Schema.h"
#include "core/fins/Disclosure.h"
#include "support/WindowTestSupport.h"
#include "ui/app/MessageBox.h"
#include "ui/app/WindowFit.h"
#include "ui/chart/frmMain.h"
#include "ui/info/frmFinsPages.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

using namespace kestrel;
using namespace kestrel::ui;
using F = fins::DisclosureField;

namespace {

fins::Disclosure yearRow(const char* no, const char* date, int fy, std::initializer_list<std::pair<F, const char*>> v) {
    fins::Disclosure d;
    d.discNo = no;
    d.code = 7203;
    d.code5 = "72030";
    d.discDate = *Date::parse(date);
    d.discTime = "15:00:00";
    d.docType = "FYFinancialStatements_Consolidated_JP";
    d.perType = "FY";
    d.curFYEn = Date::fromYmd(fy, 3, 31);
    d.curPerEn = d.curFYEn;
    d.nxtFYEn = Date::fromYmd(fy + 1, 3, 31);
    for (auto [f, text] : v)
        d[f] = fins::figureOf(text);
    return d;
}

struct Home : test::WindowHome {
    Home() {
        exec("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (7203, 1, 'ＡＢＣ自動車', 100, "
             "1)");
        auto db = db::openKestrelDatabase(context.paths.databasePath);
        if (!db)
            qFatal("cannot open the database");
        auto stored = fins::storeDisclosures(
            **db,
            {yearRow("1", "2023-05-12", 2023, {{F::Sales, "800000000"}, {F::OP, "-40000000"}, {F::EPS, "10"}}),
             yearRow("2", "2024-05-10", 2024,
                     {{F::Sales, "1000000000"},
                      {F::OP, "90000000"},
                      {F::EPS, "12.5"},
                      {F::TA, "5000000000"},
                      {F::EqAR, "0.35"},
                      {F::NxFSales, "1200000000"},
                      {F::NxFEPS, "15"}})},
            "2024-06-01 09:00:00");
        if (!stored)
            qFatal("cannot store the disclosures");
    }
};

QString cell(QTableWidget* t, int row, int column) {
    return t->item(row, column) ? t->item(row, column)->text() : QString();
}

} // namespace

class TestFinsPages : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        MessageBox::setScripted(true);
        MessageBox::clearLog();
    }

    void showsTheYearsTheForecastAndTheGrowths() {
        Home home;
        frmFinsPages w(home.context, 7203, QStringLiteral("ＡＢＣ自動車"), *Date::parse("2024-06-03"),
                       frmFinsPages::Page::Results);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.width() <= kWindowRoom.width() && w.height() <= kWindowRoom.height());
        QCOMPARE(w.tabs->currentIndex(), 0);
        QCOMPARE(w.results->rowCount(), 3);
        QCOMPARE(cell(w.results, 0, 2), QStringLiteral("▲40"));
        QCOMPARE(cell(w.results, 1, 1), QStringLiteral("1,000"));
        QCOMPARE(cell(w.results, 2, 0), QStringLiteral("2025/03 予"));
        QCOMPARE(cell(w.results, 2, 5), QStringLiteral("15.0"));
        QCOMPARE(cell(w.results, 2, 7), QStringLiteral("2024-05-10"));
        // Sales +25% then +20%; operating profit from a loss has no growth.
        QCOMPARE(cell(w.growth, 1, 1), QStringLiteral("25.0"));
        QCOMPARE(cell(w.growth, 1, 2), QStringLiteral("−"));
        QCOMPARE(cell(w.growth, 2, 1), QStringLiteral("20.0"));
        QCOMPARE(w.balance->rowCount(), 2);
        QCOMPARE(cell(w.balance, 1, 1), QStringLiteral("5,000"));
        QCOMPARE(cell(w.balance, 1, 3), QStringLiteral("35.0"));
        QVERIFY(MessageBox::log().isEmpty());
    }

    void theMenuOpensThePageOfTheShownIssue() {
        Home home;
        frmMain main(home.context);
        main.show();
        main.MeiCode->setText(QStringLiteral("7203"));
        main.action(QStringLiteral("mnuseityoritu"))->trigger();
        frmFinsPages* pages = main.findChild<frmFinsPages*>();
        QVERIFY(pages && pages->isVisible());
        QCOMPARE(pages->tabs->currentIndex(), 2);
        pages->close();
    }
};

QTEST_MAIN(TestFinsPages)
#include "tst_frmFinsPages.moc"
