// テクニカル設定: shows the settings, refuses a bad entry naming its field, restores the defaults and
// writes the accepted values to Kestrel.ini.
#include "core/chart/TechnicalIni.h"
#include "core/settings/IniFile.h"
#include "support/TestSupport.h"
#include "ui/app/MessageBox.h"
#include "ui/chart/frmTechnical.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

using namespace kestrel;
using namespace kestrel::ui;

class TestTechnical : public QObject {
    Q_OBJECT

    static void setText(frmTechnical& d, const char* key, const char* text) {
        auto* e = qobject_cast<QLineEdit*>(d.field(key));
        QVERIFY(e);
        e->setText(QString::fromUtf8(text));
    }

private Q_SLOTS:
    void init() {
        MessageBox::setScripted(true);
        MessageBox::clearLog();
    }

    void refusesBadEntriesByName_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("named");
        QTest::newRow("zero period") << "KijunPeriod"
                                     << "0"
                                     << "基準線 期間";
        QTest::newRow("negative period") << "Rci2"
                                         << "-9"
                                         << "RCI 中期";
        QTest::newRow("not a number") << "BbPeriod"
                                      << "abc"
                                      << "ボリンジャー 期間";
        QTest::newRow("factor above 1") << "SarMax"
                                        << "2"
                                        << "パラボリック 上限";
        QTest::newRow("too long") << "MacdSlow"
                                  << "100000"
                                  << "MACD 長期";
        QTest::newRow("bad colour") << "ColorAdx"
                                    << "white"
                                    << "ColorAdx";
    }
    void refusesBadEntriesByName() {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QFETCH(QString, named);
        test::TempDir dir;
        const std::string ini = dir.file("Kestrel.ini");
        frmTechnical d(ini, chart::TechnicalView{});
        setText(d, key.toUtf8().constData(), text.toUtf8().constData());
        d.CmdOk->click();
        QCOMPARE(d.result(), 0); // still open
        QCOMPARE(MessageBox::log().size(), 1);
        QVERIFY2(MessageBox::log().front().contains(named), qPrintable(MessageBox::log().front()));
        QVERIFY(readProfileString(ini, "Technical", "KijunPeriod").empty()); // nothing written
    }

    void acceptsAndWritesAndRestoresDefaults() {
        test::TempDir dir;
        const std::string ini = dir.file("Kestrel.ini");
        chart::TechnicalView start;
        start.overlays.bollinger = true;
        frmTechnical d(ini, start);
        QCOMPARE(qobject_cast<QLineEdit*>(d.field("TenkanPeriod"))->text(), QStringLiteral("9"));
        setText(d, "TenkanPeriod", "7");
        setText(d, "EnvPercent", "2.5");
        qobject_cast<QComboBox*>(d.field("BbSigma"))->setCurrentIndex(1);
        qobject_cast<QComboBox*>(d.field("MacdSignalKind"))->setCurrentIndex(1);
        d.CmdOk->click();
        QVERIFY2(MessageBox::log().isEmpty(), qPrintable(MessageBox::log().join(QLatin1Char('\n'))));
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.view().settings.tenkanPeriod, 7);
        QCOMPARE(d.view().settings.bbSigma, chart::SigmaKind::Sample);
        chart::TechnicalView back;
        QVERIFY(chart::loadTechnicalView(ini, back));
        QVERIFY(back == d.view());
        QVERIFY(back.overlays.bollinger);

        frmTechnical again(ini, back);
        again.CmdDefault->click();
        QCOMPARE(qobject_cast<QLineEdit*>(again.field("TenkanPeriod"))->text(), QStringLiteral("9"));
        QCOMPARE(qobject_cast<QComboBox*>(again.field("BbSigma"))->currentIndex(), 0);
        again.CmdOk->click();
        QVERIFY(chart::loadTechnicalView(ini, back));
        QVERIFY(back.settings == chart::TechnicalSettings{});
        QVERIFY(back.overlays.bollinger); // the overlays are not the dialog's
    }
};

QTEST_MAIN(TestTechnical)
#include "tst_frmTechnical.moc"
