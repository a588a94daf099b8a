// Pointer highlight of Ok, focus keeping in codice, and the information
// panel that explains the farming type shown in a1.
#include "formdriver.h"
#include "testdatabase.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString Placeholder = u"------- ------- ------ ------ ------ ------"_qs;
constexpr int Red = 255;

const QString FreeRange
    = u"La gallina per alcune ore del giorno può razzolare in un ambiente esterno: le sue uova "
      u"sono "
      u"deposte nei nidi oppure deposte nel terreno e raccolte successivamente dall'allevatore."_qs;
const QString Barn = u"La gallina ovaiola si muove liberamente ma in un ambiente chiuso, "
                     u"solitamente un capannone. "
                     u"Le uova vengono deposte nei nidi oppure raccolte dagli allevatori sulla "
                     u"lettiera, dove sono "
                     u"state disposte."_qs;
const QString Cage = u"La gallina si trova in un ambiente confinato, dove deposita le uova su un "
                     u"nastro trasportatore che le porta direttamente al confezionamento."_qs;
const QString Organic = u"Segue le regole stabilite per tale tipologia di produzione e la gallina "
                        u"razzola all'aperto per alcune ore al giorno."_qs;
} // namespace

class TestInfoPanel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void descriptionOfEachType_data();
    void descriptionOfEachType();
    void descriptionIsReplacedByTheNextType();
    void captionThatIsNoTypeNameLeavesAiuto_data();
    void captionThatIsNoTypeNameLeavesAiuto();
    void panelStaysOrHides_data();
    void panelStaysOrHides();
    void keysReachCodiceBehindThePanel();
    void okHighlight();
    void clickOnOkLeavesItHighlighted();
    void noFocusDuringFlash();
    void focusNeverActivatesTheWindow();

private:
    QTemporaryDir m_dir;
    QString m_previousDir;
};

void TestInfoPanel::initTestCase()
{
    m_previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir.path()));
    TestDatabase::createComuni(u"Kelvo.bmp"_qs, {u"('IT-ITA', NULL, 'Italia', NULL)"_qs});
}

void TestInfoPanel::cleanupTestCase()
{
    QDir::setCurrent(m_previousDir);
}

void TestInfoPanel::descriptionOfEachType_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("description");
    QTest::addColumn<int>("length");

    QTest::newRow("free range") << u"1IT015VR001"_qs << FreeRange << 179;
    QTest::newRow("barn") << u"2IT015VR001"_qs << Barn << 199;
    QTest::newRow("cage") << u"3IT015VR001"_qs << Cage << 140;
    QTest::newRow("organic") << u"0IT015VR001"_qs << Organic << 116;
}

void TestInfoPanel::descriptionOfEachType()
{
    QFETCH(QString, code);
    QFETCH(QString, description);
    QFETCH(int, length);

    FormDriver driver;
    driver.search(code);
    driver.click(driver.label("a1"));
    QVERIFY(driver.frame1()->isVisible());
    QCOMPARE(driver.label("aiuto")->caption(), description);
    QCOMPARE(description.size(), length);
}

void TestInfoPanel::descriptionIsReplacedByTheNextType()
{
    FormDriver driver;
    driver.search(u"1IT015VR001"_qs);
    driver.click(driver.label("a1"));
    QCOMPARE(driver.label("aiuto")->caption(), FreeRange);

    driver.moveOver(&driver.form(), QPoint(310, 200)); // below the panel
    QVERIFY(driver.frame1()->isHidden());
    QCOMPARE(driver.label("aiuto")->caption(), FreeRange); // never cleared

    driver.search(u"2IT015VR001"_qs);
    driver.click(driver.label("a1"));
    QCOMPARE(driver.label("aiuto")->caption(), Barn);
}

void TestInfoPanel::captionThatIsNoTypeNameLeavesAiuto_data()
{
    QTest::addColumn<QString>("caption");

    QTest::newRow("placeholder") << Placeholder;
    QTest::newRow("not-found marker") << u"?????????????????????"_qs;
    QTest::newRow("other letter case") << u"all'aperto"_qs;
    QTest::newRow("trailing blank") << u"A Terra "_qs;
    QTest::newRow("double blank") << u"In Gabbia  (o Batteria)"_qs;
    QTest::newRow("prefix of a name") << u"Agricoltura"_qs;
    QTest::newRow("empty") << QString();
}

void TestInfoPanel::captionThatIsNoTypeNameLeavesAiuto()
{
    QFETCH(QString, caption);

    FormDriver driver;
    driver.label("a1")->setCaption(caption);
    driver.click(driver.label("a1"));
    QVERIFY(driver.frame1()->isVisible());
    QCOMPARE(driver.label("aiuto")->caption(), QString());

    driver.search(u"0IT015VR001"_qs);
    driver.click(driver.label("a1"));
    driver.label("a1")->setCaption(caption);
    driver.click(driver.label("a1"));
    QCOMPARE(driver.label("aiuto")->caption(), Organic);
}

void TestInfoPanel::panelStaysOrHides_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<bool>("shown");

    QTest::newRow("over a1") << u"a1"_qs << QPoint(10, 8) << true;
    QTest::newRow("over the panel") << u"Frame1"_qs << QPoint(150, 100) << true;
    QTest::newRow("over the panel heading") << u"Label7"_qs << QPoint(20, 10) << true;
    QTest::newRow("over another label") << u"Label2"_qs << QPoint(10, 8) << true;
    QTest::newRow("over the row outline around a1") << u"Shape3"_qs << QPoint(2, 12) << false;
    QTest::newRow("over the strip right of a1") << u"Shape10"_qs << QPoint(141, 12) << false;
    QTest::newRow("over the background") << u"Form1"_qs << QPoint(310, 200) << false;
}

void TestInfoPanel::panelStaysOrHides()
{
    QFETCH(QString, control);
    QFETCH(QPoint, point);
    QFETCH(bool, shown);

    FormDriver driver;
    driver.search(u"1IT015VR001"_qs);
    driver.click(driver.label("a1"));
    QVERIFY(driver.frame1()->isVisible());

    auto *widget
        = control == u"Form1" ? &driver.form() : driver.form().findChild<QWidget *>(control);
    QTest::mouseMove(widget, point);
    QTest::mouseMove(widget, point + QPoint(0, 1));
    QCOMPARE(driver.frame1()->isVisible(), shown);
}

void TestInfoPanel::keysReachCodiceBehindThePanel()
{
    FormDriver driver;
    driver.search(u"1IT015VR001"_qs);
    driver.click(driver.label("a1"));
    QVERIFY(driver.frame1()->isVisible());
    QVERIFY(driver.codice()->hasFocus());

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QCOMPARE(driver.codice()->text(), u"1IT015VR00"_qs);
    QVERIFY(!driver.expanded());
    QVERIFY(driver.frame1()->isVisible());
}

void TestInfoPanel::okHighlight()
{
    FormDriver driver;
    Label *ok = driver.label("Ok");
    driver.form().setOuterHeight(Form1::ExpandedHeight);

    driver.moveOver(ok);
    QCOMPARE(FormDriver::textColor(ok), Red);
    QVERIFY(ok->font().underline());

    // Leaving Ok straight onto a label or the box keeps the highlight.
    driver.moveOver(driver.label("a2"));
    driver.moveOver(driver.codice());
    QCOMPARE(FormDriver::textColor(ok), Red);
    QVERIFY(ok->font().underline());

    driver.moveOver(&driver.form(), QPoint(300, 20));
    QCOMPARE(FormDriver::textColor(ok), 0);
    QVERIFY(!ok->font().underline());
}

void TestInfoPanel::clickOnOkLeavesItHighlighted()
{
    FormDriver driver;
    driver.type(u"1IT015VR001"_qs);
    driver.moveOver(driver.label("Ok"));
    driver.clickOk();
    QVERIFY(driver.expanded());
    QCOMPARE(FormDriver::textColor(driver.label("Ok")), Red);
    QVERIFY(driver.label("Ok")->font().underline());
}

void TestInfoPanel::noFocusDuringFlash()
{
    FormDriver driver;
    driver.moveOver(driver.label("Ok"));
    driver.search(u"9"_qs);
    QVERIFY(!driver.codice()->isEnabled());

    QTest::qWait(50); // many ticks of Timer2
    QVERIFY(!driver.codice()->hasFocus());
    // Pointer movement over the background still resets Ok, but gives no focus.
    driver.moveOver(&driver.form(), QPoint(300, 20));
    QVERIFY(!driver.label("Ok")->font().underline());
    QVERIFY(!driver.codice()->hasFocus());

    QTRY_VERIFY_WITH_TIMEOUT(driver.codice()->isEnabled(), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(driver.codice()->hasFocus(), 500);
}

void TestInfoPanel::focusNeverActivatesTheWindow()
{
    FormDriver driver;
    QWidget other;
    other.setWindowTitle(u"Altro programma"_qs);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));

    QTest::qWait(50);
    driver.moveOver(&driver.form(), QPoint(300, 20));
    QVERIFY(other.isActiveWindow());
    QVERIFY(!driver.form().isActiveWindow());
    QCOMPARE(driver.form().focusWidget(), driver.codice());
}

QTEST_MAIN(TestInfoPanel)
#include "tst_infopanel.moc"
