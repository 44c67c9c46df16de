// The converter's date boxes on re-activation: typed dates stay, empty boxes are filled again.
#include "core/db/Schema.h"
#include "support/TestSupport.h"
#include "ui/app/MessageBox.h"
#include "ui/converter/frmPlover.h"

#include <QtTest>

using namespace kestrel;
using namespace kestrel::ui;
using namespace kestrel::services;

class tst_frmPloverDates : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void typedDatesSurviveActivation() {
        MessageBox::setScripted(true);
        test::TempDir dir;
        ConverterPaths paths = converterPaths(QString::fromStdString(dir.path()), QString::fromStdString(dir.path()));
        QVERIFY(db::CreateDatabaseFile(paths.databasePath).isOk());
        frmPlover window(paths, converter::defaultConverterSettings(), QStringLiteral("01/05/07,01/05/11"));
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        struct {
            const char *typedFrom, *typedTo, *from, *to;
        } cases[] = {
            {"01/05/08", "01/05/11", "01/05/08", "01/05/11"}, // typed since the command line: kept
            {"01/05/08", "01/05/09", "01/05/08", "01/05/09"},
            {"", "", "01/05/07", "01/05/11"}, // empty boxes: the command line again
        };
        for (const auto& c : cases) {
            window.ReadDateji->setText(QString::fromLatin1(c.typedFrom));
            window.ReadDateitaru->setText(QString::fromLatin1(c.typedTo));
            QEvent activation(QEvent::ActivationChange);
            QApplication::sendEvent(&window, &activation);
            QCOMPARE(window.ReadDateji->text(), QString::fromLatin1(c.from));
            QCOMPARE(window.ReadDateitaru->text(), QString::fromLatin1(c.to));
        }
    }
};

QTEST_MAIN(tst_frmPloverDates)
#include "tst_frmPloverDates.moc"
