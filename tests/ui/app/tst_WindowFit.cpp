// What a Japanese user meets first: every window opens within the room of a 1280x800 screen (the board
// and the price list with all their columns in view), Qt's own buttons in Japanese, and issue lists
// drawn in one face whatever the market's name.
#include "core/startup/Startup.h"
#include "platform/QtTranslation.h"
#include "services/converter/PloverBatch.h"
#include "support/WindowTestSupport.h"
#include "ui/app/WindowFit.h"
#include "ui/app/frmOption.h"
#include "ui/boards/frmKabukaboard.h"
#include "ui/chart/ChartPanel.h"
#include "ui/chart/frmMain.h"
#include "ui/chart/frmMeiFind.h"
#include "ui/chart/frmSplit.h"
#include "ui/converter/frmPlover.h"
#include "ui/db/frmDatament.h"
#include "ui/info/frmJyohoList.h"
#include "ui/trade/frmstockmarket.h"

#include <QGlyphRun>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QRawFont>
#include <QScrollBar>
#include <QTextLayout>
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

    void everyWindowOpensWithinTheScreenRoom() {
        Home home;
        const db::MarketNames names{};
        const QString iniFolder = QString::fromStdString(home.dir.path());
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
        };
        for (const auto& w : windows) {
            std::unique_ptr<QWidget> window = w.open();
            window->show();
            QVERIFY2(window->width() <= kScreenRoom.width() && window->height() <= kScreenRoom.height(),
                     qPrintable(QStringLiteral("%1 opens %2x%3")
                                    .arg(QLatin1String(w.name))
                                    .arg(window->width())
                                    .arg(window->height())));
            window->close();
        }
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
        QVERIFY(QFontMetrics(panel.KabukaList->font()).horizontalAdvance(row) <= panel.KabukaList->viewport()->width());
    }

    // Rows of every market take their characters from one face, in the main window's list and the search.
    void issueRowsUseOneFace() {
        Home home;
        frmMain main(home.context);
        const db::MarketNames names{};
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
