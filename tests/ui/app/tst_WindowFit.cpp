// What a Japanese user meets first: every window, its frame included, opens within the room of a 1280x800
// screen (the board
// and the price list with all their columns in view), Qt's own buttons in Japanese, and issue lists
// drawn in one face whatever the market's name.
#include "core/startup/Startup.h"
#include "platform/QtTranslation.h"
#include "services/converter/PloverBatch.h"
#include "support/WindowTestSupport.h"
#include "ui/app/ColumnMenu.h"
#include "ui/app/WheelGuard.h"
#include "ui/app/WindowFit.h"
#include "ui/app/frmAbout.h"
#include "ui/app/frmOption.h"
#include "ui/boards/frmKabukaboard.h"
#include "ui/chart/ChartPanel.h"
#include "ui/chart/frmMain.h"
#include "ui/chart/frmMeiFind.h"
#include "ui/chart/frmSplit.h"
#include "ui/converter/frmPlover.h"
#include "ui/db/frmBackUp.h"
#include "ui/db/frmDatament.h"
#include "ui/db/frmDeleteData.h"
#include "ui/db/frmEditMei.h"
#include "ui/import/frmShinyoData.h"
#include "ui/import/frmSyuMakeData.h"
#include "ui/import/frmZenjitusa.h"
#include "ui/info/frmInformation.h"
#include "ui/info/frmJyohoList.h"
#include "ui/info/frmScreening.h"
#include "ui/trade/frmstockmarket.h"

#include <QComboBox>
#include <QGlyphRun>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QMenu>
#include <QMessageBox>
#include <QRawFont>
#include <QScrollBar>
#include <QSpinBox>
#include <QTextLayout>
#include <QWheelEvent>
#include <memory>

using namespace kestrel;
using namespace kestrel::ui;

namespace {

struct Home : test::WindowHome {
    Home() {
        test::ScriptedPrompt p;
        SaveSettings(context.paths.iniPath, defaultSettingsText(dir.path()), true, p);
        LoadSettings(context.paths.iniPath, context.settings, p);
        exec("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES "
             "(7203, 1, 'ＡＢＣ自動車', 100, 1), (9999, 6, 'ＸＹＺホールディングス', 100, 1)");
        exec("INSERT INTO board (区分, コード, 市場コード, 銘柄) VALUES (1, 7203, 1, 'ＡＢＣ自動車')");
    }
};

// The families the glyphs of text come from, drawn in font.
QStringList facesOf(const QString& text, const QFont& font) {
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QStringList faces;
    for (const QGlyphRun& run : layout.glyphRuns())
        if (!faces.contains(run.rawFont().familyName()))
            faces << run.rawFont().familyName();
    return faces;
}

} // namespace

class tst_WindowFit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        MessageBox::setScripted(true);
        MessageBox::clearLog();
    }

    // The offscreen platform draws no real frame: a window manager's title bar and borders are added to the
    // window's own area by hand.
    void everyWindowOpensWithinTheScreenRoom() {
        Home home;
        const db::IssueMarkets names{};
        const QString iniFolder = QString::fromStdString(home.dir.path());
        QString handOver;
        QListWidget listMei;
        const struct {
            const char* name;
            std::function<std::unique_ptr<QWidget>()> open;
        } windows[] = {
            {"frmMain", [&] { return std::make_unique<frmMain>(home.context); }},
            {"frmKabukaboard", [&] { return std::make_unique<frmKabukaboard>(home.context, QStringLiteral("1")); }},
            {"frmOption", [&] { return std::make_unique<frmOption>(home.context); }},
            {"frmPlover",
             [&] {
                 return std::make_unique<frmPlover>(services::converterPaths(iniFolder, iniFolder),
                                                    converter::defaultConverterSettings(), QString());
             }},
            {"frmSplit", [&] { return std::make_unique<frmSplit>(home.context, 7203); }},
            {"frmMeiFind", [&] { return std::make_unique<frmMeiFind>(home.context, names); }},
            {"frmstockmarket", [&] { return std::make_unique<frmstockmarket>(home.context); }},
            {"frmJyohoList", [&] { return std::make_unique<frmJyohoList>(home.context, QStringLiteral("7203")); }},
            {"frmDatament", [&] { return std::make_unique<frmDatament>(home.context); }},
            {"frmScreening", [&] { return std::make_unique<frmScreening>(home.context, &listMei, nullptr); }},
            {"frmInformation", [&] { return std::make_unique<frmInformation>(home.context, handOver, &listMei); }},
            {"frmAbout", [&] { return std::make_unique<frmAbout>(); }},
            {"frmBackUp", [&] { return std::make_unique<frmBackUp>(home.context); }},
            {"frmDeleteData", [&] { return std::make_unique<frmDeleteData>(home.context); }},
            {"frmEditMei", [&] { return std::make_unique<frmEditMei>(home.context); }},
            {"frmShinyoData", [&] { return std::make_unique<frmShinyoData>(home.context); }},
            {"frmSyuMakeData", [&] { return std::make_unique<frmSyuMakeData>(home.context); }},
            {"frmZenjitusa", [&] { return std::make_unique<frmZenjitusa>(home.context); }},
        };
        for (const auto& w : windows) {
            std::unique_ptr<QWidget> window = w.open();
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window.get()));
            const QSize framed = window->size() + kFrameMargin;
            QVERIFY2(framed.width() <= kScreenRoom.width() && framed.height() <= kScreenRoom.height(),
                     qPrintable(QStringLiteral("%1 opens %2x%3 with its frame")
                                    .arg(QLatin1String(w.name))
                                    .arg(framed.width())
                                    .arg(framed.height())));
            window->close();
        }
    }

    // The options page: a wheel passing over a combo box or spin box leaves its value alone until the
    // box is given the focus.
    void wheelOverAnUnfocusedBoxKeepsItsValue() {
        const auto wheelDown = [](QWidget* w) {
            const QPointF at(w->width() / 2.0, w->height() / 2.0);
            QWheelEvent wheel(at, w->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(w, &wheel);
        };
        QComboBox plain;
        plain.addItems({QStringLiteral("30"), QStringLiteral("180")});
        plain.show();
        wheelDown(&plain);
        QCOMPARE(plain.currentIndex(), 1); // what the guard is for: Qt turns an unfocused box

        installWheelGuard(*QCoreApplication::instance());
        installWheelGuard(*QCoreApplication::instance());
        QCOMPARE(QCoreApplication::instance()->findChildren<WheelGuard*>().size(), 1);
        Home home;
        frmOption options(home.context);
        options.show();
        QVERIFY(QTest::qWaitForWindowExposed(&options));
        const auto combos = options.findChildren<QComboBox*>();
        QVERIFY(!combos.isEmpty());
        for (QComboBox* combo : combos) {
            QCOMPARE(combo->focusPolicy(), Qt::StrongFocus);
            if (combo->count() < 2)
                continue;
            combo->setCurrentIndex(0);
            wheelDown(combo);
            QCOMPARE(combo->currentIndex(), 0);
        }
        QSpinBox spin;
        spin.setRange(0, 500);
        spin.setValue(30);
        spin.show();
        wheelDown(&spin);
        QCOMPARE(spin.value(), 30);
        QCOMPARE(spin.focusPolicy(), Qt::StrongFocus);
    }

    // A long refresh result is cut in the board's status label, not allowed to widen the window.
    void boardStatusKeepsTheWindowWidth() {
        Home home;
        frmKabukaboard board(home.context, QStringLiteral("1"));
        board.show();
        QVERIFY(QTest::qWaitForWindowExposed(&board));
        const int width = board.width();
        auto* status = board.findChild<QLabel*>(QStringLiteral("LblInt"));
        QString longText;
        for (int i = 0; i < 40; ++i)
            longText += QStringLiteral("未取得: %1（日足なし） ").arg(1301 + i);
        status->setText(longText);
        board.layout()->activate();
        QApplication::processEvents();
        QCOMPARE(board.width(), width);
        QCOMPARE(board.minimumSizeHint().width() <= width, true);
        QCOMPARE(status->text(), longText); // whole, for the tool tip
    }

    // A wide grid's header menu hides and shows its columns; the ones the window hides for itself are not
    // offered, and the last shown column stays.
    void gridColumnsCanBeHidden() {
        Home home;
        frmJyohoList list(home.context, QStringLiteral("7203"));
        auto* grid = list.findChild<QTableView*>(QStringLiteral("DBGridinformationData"));
        const int columns = grid->model()->columnCount();
        QVERIFY(grid->isColumnHidden(0));
        std::unique_ptr<QMenu> menu(columnMenu(grid));
        const QList<QAction*> entries = menu->actions();
        QCOMPARE(entries.size(), columns - 1);
        entries[0]->setChecked(false);
        QVERIFY(grid->isColumnHidden(1));
        entries[0]->setChecked(true);
        QVERIFY(!grid->isColumnHidden(1));
        for (QAction* a : entries)
            a->setChecked(false);
        QCOMPARE(grid->isColumnHidden(columns - 1), false);
        for (int c = 1; c + 1 < columns; ++c)
            QVERIFY(grid->isColumnHidden(c));
    }

    // The board's eighteen columns and the price list's six show without scrolling sideways.
    void boardAndPriceListShowEveryColumn() {
        Home home;
        frmKabukaboard board(home.context, QStringLiteral("1"));
        board.show();
        auto* grid = board.findChild<QTableView*>(QStringLiteral("boardDBGrid"));
        QCOMPARE(grid->model()->columnCount(), 18);
        QVERIFY2(grid->horizontalHeader()->length() <= grid->viewport()->width(),
                 qPrintable(
                     QStringLiteral("%1 > %2").arg(grid->horizontalHeader()->length()).arg(grid->viewport()->width())));
        // A column is at least as wide as its caption.
        for (int c = 0; c < 18; ++c)
            QVERIFY(grid->columnWidth(c) >= grid->horizontalHeader()->sectionSizeHint(c));

        AppContext context;
        ChartPanel panel(context);
        panel.resize(panel.minimumSize());
        panel.show();
        const QString row =
            QStringLiteral("24/01/04      100000     110000      95000     105000      -5000   123456789");
        QCOMPARE(row.size(), 76);
        panel.KabukaList->addItem(row);
        QStringList captions;
        for (QLabel* l : panel.findChildren<QLabel*>(QStringLiteral("KabukaListHeader")))
            captions << l->text();
        QCOMPARE(captions, test::texts({"日付", "始値", "高値", "安値", "終値", "前日比", "出来高"}));
        QVERIFY(QFontMetrics(panel.KabukaList->font()).horizontalAdvance(row) <= panel.KabukaList->viewport()->width());
    }

    // The valuations line under the issue's name holds its widest values whole, between the date row and
    // the chart, clear of every other control of the window.
    void finsLineFitsUnderTheName() {
        Home home;
        frmMain main(home.context);
        QLabel* line = main.findChild<QLabel*>(QStringLiteral("LblFins"));
        QVERIFY(line);
        const QString widest =
            QStringLiteral("予想PER 99999.9倍  PBR 9999.99倍  予想配当利回り 99.99%  時価総額 9,999,999億円");
        QVERIFY(QFontMetrics(line->font()).horizontalAdvance(widest) <= line->width());
        QVERIFY(line->geometry().top() > main.chartDate->geometry().bottom());
        QVERIFY(line->geometry().top() > main.Cmdchange->geometry().bottom());
        QVERIFY(line->geometry().bottom() < chart::kPlotTop);
        QVERIFY(line->geometry().left() >= main.ListMei->geometry().right());
    }

    // Rows of every market take their characters from one face, in the main window's list and the search.
    void issueRowsUseOneFace() {
        Home home;
        frmMain main(home.context);
        const db::IssueMarkets names{};
        frmMeiFind find(home.context, names);
        for (QListWidget* list : {main.findChild<QListWidget*>(QStringLiteral("ListMei")),
                                  find.findChild<QListWidget*>(QStringLiteral("ListMei"))}) {
            const QStringList faces = facesOf(QStringLiteral("1301　　東証　　極洋"), list->font());
            if (faces.size() != 1)
                QSKIP("no Japanese gothic face installed");
            for (const char* row : {"9999　　その他　　ＸＹＺホールディングス", "1111　　名証　　テスト"})
                QCOMPARE(facesOf(QString::fromUtf8(row), list->font()), faces);
        }
    }

    // Last: the translation stays installed for the rest of the program.
    void standardButtonsSpeakJapanese() {
        QVERIFY(!platform::installQtTranslation(*QCoreApplication::instance(), QStringLiteral("/nonexistent")));
        QMessageBox english(QMessageBox::Information, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
        QVERIFY(english.button(QMessageBox::Yes)->text().contains(QStringLiteral("Yes")));
        if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ja.qm")))
            QSKIP("Qt's Japanese translation is not installed");
        QVERIFY(platform::installQtTranslation(*QCoreApplication::instance()));
        QMessageBox box(QMessageBox::Information, QString(), QString(),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QVERIFY(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("はい")));
        QVERIFY(box.button(QMessageBox::No)->text().startsWith(QStringLiteral("いいえ")));
        QVERIFY(box.button(QMessageBox::Cancel)->text().startsWith(QStringLiteral("キャンセル")));
    }
};

QTEST_MAIN(tst_WindowFit)
#include "tst_WindowFit.moc"
