// The search cycle: a click on Ok searches, a refused code flashes the error
// for one tick of Timer1, and any edit collapses the window again.
#include "formdriver.h"
#include "testdatabase.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString Placeholder = u"------- ------- ------ ------ ------ ------"_qs;
const QString Marker = u"?????????????????????"_qs;
const QString ErrorText = u"Dati Errati!"_qs;
constexpr int Red = 255;
constexpr int FlashTimeoutMs = 3000;
} // namespace

class TestSearchFlow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void validCodeExpands();
    void lowerCaseIsWrittenBackInUpperCase();
    void unknownPlacesAreMarked();
    void secondClickSearchesAgain();
    void enterDoesNotSearch();
    void refusedCodeFlashes_data();
    void refusedCodeFlashes();
    void everyFlashEndsWithTimerOff();
    void clickDuringFlashIsIgnored();
    void editCollapses_data();
    void editCollapses();
    void storeFailureShowsMessageAndGoesOn_data();
    void storeFailureShowsMessageAndGoesOn();
    void shippedDatabase();
    void thousandSearchesInARow();

private:
    void waitForFlashEnd(FormDriver &driver);

    QTemporaryDir m_dir;
    QString m_previousDir;
};

void TestSearchFlow::init()
{
    m_previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir.path()));
    TestDatabase::createComuni(u"Kelvo.bmp"_qs,
        {u"('IT-ITA', NULL, 'Italia', NULL)"_qs, u"('VR', '015', 'Bussolengo', 'Verona')"_qs});
}

void TestSearchFlow::cleanup()
{
    QDir::setCurrent(m_previousDir);
}

void TestSearchFlow::waitForFlashEnd(FormDriver &driver)
{
    QTRY_VERIFY_WITH_TIMEOUT(driver.codice()->isEnabled(), FlashTimeoutMs);
}

void TestSearchFlow::validCodeExpands()
{
    FormDriver driver;
    driver.search(u"1IT015VR001"_qs);
    QVERIFY(driver.expanded());
    QCOMPARE(driver.results(), u"All'Aperto|Italia|Bussolengo|Verona"_qs);
    for (const char *name : {"a1", "a2", "a3", "a4"})
        QVERIFY(FormDriver::textColor(driver.label(name)) != Red);
    QVERIFY(driver.codice()->isEnabled());
    QVERIFY(!driver.timer("Timer1")->isActive());
}

void TestSearchFlow::lowerCaseIsWrittenBackInUpperCase()
{
    FormDriver driver;
    driver.search(u"1it015vr001"_qs);
    QCOMPARE(driver.codice()->text(), u"1IT015VR001"_qs);
    QVERIFY(driver.expanded());
    QCOMPARE(driver.results(), u"All'Aperto|Italia|Bussolengo|Verona"_qs);
}

void TestSearchFlow::unknownPlacesAreMarked()
{
    FormDriver driver;
    driver.search(u"2XX999ZZ001"_qs);
    QVERIFY(driver.expanded());
    QCOMPARE(driver.results(), QStringList({u"A Terra"_qs, Marker, Marker, Marker}).join(u'|'));
    QVERIFY(FormDriver::textColor(driver.label("a1")) != Red);
    for (const char *name : {"a2", "a3", "a4"})
        QCOMPARE(FormDriver::textColor(driver.label(name)), Red);
}

void TestSearchFlow::secondClickSearchesAgain()
{
    FormDriver driver;
    driver.search(u"1IT015XX001"_qs);
    const QString first = driver.results();
    driver.clickOk();
    QVERIFY(driver.expanded());
    QCOMPARE(driver.results(), first);
    QCOMPARE(FormDriver::textColor(driver.label("a3")), Red);
}

void TestSearchFlow::enterDoesNotSearch()
{
    FormDriver driver;
    driver.type(u"1IT015VR001"_qs);
    QTest::keyClick(driver.codice(), Qt::Key_Return);
    QTest::keyClick(driver.codice(), Qt::Key_Enter);
    QVERIFY(!driver.expanded());
    QCOMPARE(driver.label("a1")->caption(), Placeholder);
}

void TestSearchFlow::refusedCodeFlashes_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("afterFlash");

    QTest::newRow("empty box") << QString() << QString();
    QTest::newRow("ten characters") << u"1it015vr00"_qs << u"1IT015VR00"_qs;
    QTest::newRow("farming type 7") << u"7it015vr001"_qs << u"7IT015VR001"_qs;
    QTest::newRow("leading blank") << u" 1IT015VR001"_qs << u" 1IT015VR001"_qs;
}

void TestSearchFlow::refusedCodeFlashes()
{
    QFETCH(QString, typed);
    QFETCH(QString, afterFlash);

    FormDriver driver;
    driver.search(u"1IT015VR001"_qs); // expanded, so the flash must collapse it
    driver.type(typed);
    QElapsedTimer flash;
    flash.start();
    driver.clickOk();

    QCOMPARE(driver.codice()->text(), ErrorText);
    QCOMPARE(FormDriver::textColor(driver.codice()), Red);
    QVERIFY(!driver.codice()->isEnabled());
    QVERIFY(driver.timer("Timer1")->isActive());
    QVERIFY(!driver.expanded());
    QCOMPARE(driver.label("a1")->caption(), Placeholder);

    waitForFlashEnd(driver);
    QVERIFY(flash.elapsed() >= 900);
    QCOMPARE(driver.codice()->text(), afterFlash);
    QCOMPARE(FormDriver::textColor(driver.codice()), 0);
    QVERIFY(!driver.timer("Timer1")->isActive());
    QVERIFY(!driver.expanded());
    QCOMPARE(driver.results(), QStringList(4, Placeholder).join(u'|'));
}

void TestSearchFlow::everyFlashEndsWithTimerOff()
{
    FormDriver driver;
    for (int i = 0; i < 2; ++i) {
        driver.search(u"9"_qs);
        QVERIFY(driver.timer("Timer1")->isActive());
        QElapsedTimer flash;
        flash.start();
        waitForFlashEnd(driver);
        QVERIFY(flash.elapsed() >= 900);
        QVERIFY(!driver.timer("Timer1")->isActive());
    }
}

// The typed code must survive a click made while the error shows.
void TestSearchFlow::clickDuringFlashIsIgnored()
{
    FormDriver driver;
    driver.search(u"5it015vr001"_qs);
    QTest::qWait(300);
    driver.clickOk();
    QCOMPARE(driver.codice()->text(), ErrorText);
    waitForFlashEnd(driver);
    QCOMPARE(driver.codice()->text(), u"5IT015VR001"_qs);
    QVERIFY(!driver.timer("Timer1")->isActive());
}

void TestSearchFlow::editCollapses_data()
{
    QTest::addColumn<int>("edit");
    QTest::newRow("typing a character") << 0;
    QTest::newRow("deleting a character") << 1;
    QTest::newRow("pasting") << 2;
    QTest::newRow("clearing") << 3;
}

void TestSearchFlow::editCollapses()
{
    QFETCH(int, edit);

    FormDriver driver;
    driver.search(u"1IT015XX001"_qs);
    QVERIFY(driver.expanded());
    QCOMPARE(FormDriver::textColor(driver.label("a3")), Red);

    QLineEdit *box = driver.codice();
    switch (edit) {
    case 0:
        QTest::keyClick(box, Qt::Key_A);
        break;
    case 1:
        QTest::keyClick(box, Qt::Key_Backspace);
        break;
    case 2:
        box->end(false);
        box->insert(u"Z"_qs);
        break;
    case 3:
        box->clear();
        break;
    }
    QVERIFY(!driver.expanded());
    QCOMPARE(driver.results(), QStringList(4, Placeholder).join(u'|'));
    for (const char *name : {"a1", "a2", "a3", "a4"})
        QCOMPARE(FormDriver::textColor(driver.label(name)), 0);
}

using Fault = TestDatabase::Fault;

void TestSearchFlow::storeFailureShowsMessageAndGoesOn_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("cause");

    QTest::newRow("no Kelvo.bmp") << Fault::Missing << u"non si trova"_qs;
    QTest::newRow("not a database") << Fault::Text << u"non è il database"_qs;
    QTest::newRow("wrong password") << Fault::OtherPassword << u"un'altra password"_qs;
    QTest::newRow("table missing") << Fault::NoTable << u"manca la tabella Comuni"_qs;
    QTest::newRow("column missing") << Fault::NoColumn << u"manca la colonna Zona"_qs;
}

void TestSearchFlow::storeFailureShowsMessageAndGoesOn()
{
    QFETCH(Fault, fault);
    QFETCH(QString, cause);

    const QString file = u"Kelvo.bmp"_qs;
    const QByteArray good = TestDatabase::contents(file);
    TestDatabase::createFault(file, fault, good);

    FormDriver driver;
    driver.search(u"1IT015VR001"_qs);
    auto *box = driver.form().findChild<QMessageBox *>(u"storeError"_qs);
    QVERIFY(box);
    QVERIFY(box->isVisible());
    QVERIFY2(box->text().contains(u"Kelvo.bmp"), qPrintable(box->text()));
    QVERIFY2(box->text().contains(cause), qPrintable(box->text()));
    QCOMPARE(driver.label("a1")->caption(), u"All'Aperto"_qs);
    QVERIFY(!driver.expanded());
    QVERIFY(driver.codice()->isEnabled());
    QCOMPARE(QFileInfo::exists(file), fault != Fault::Missing);

    box->close();
    QTRY_VERIFY(!driver.form().findChild<QMessageBox *>(u"storeError"_qs));
    TestDatabase::write(file, good);
    driver.clickOk();
    QVERIFY(!driver.form().findChild<QMessageBox *>(u"storeError"_qs));
    QVERIFY(driver.expanded());
    QCOMPARE(driver.results(), u"All'Aperto|Italia|Bussolengo|Verona"_qs);
}

void TestSearchFlow::shippedDatabase()
{
    QVERIFY(QDir::setCurrent(QFileInfo(QStringLiteral(KELVO_BMP)).absolutePath()));
    FormDriver driver;
    driver.search(u"1IT015VR001"_qs);
    QVERIFY(driver.expanded());
    QCOMPARE(driver.results(), u"All'Aperto|Italia|Bussolengo|Verona"_qs);
    driver.search(u"3it001to036"_qs);
    QCOMPARE(driver.results(), u"In Gabbia (o Batteria)|Italia|Agliè|Torino"_qs);
}

// Under the sanitizer build this is the leak check of long use.
void TestSearchFlow::thousandSearchesInARow()
{
    FormDriver driver;
    driver.timer("Timer1")->setInterval(1); // a flash of 1 ms keeps the run short
    const QString codes[] = {u"1it015vr001"_qs, u"12345"_qs, u"3XX999ZZ001"_qs, u"9IT015VR001"_qs};
    for (int i = 1; i <= 1000; ++i) {
        driver.codice()->setText(codes[i % 4]);
        driver.clickOk();
        QDeadlineTimer deadline(FlashTimeoutMs);
        while (!driver.codice()->isEnabled() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        QVERIFY(driver.codice()->isEnabled());
    }
    driver.search(u"1IT015VR001"_qs);
    QCOMPARE(driver.results(), u"All'Aperto|Italia|Bussolengo|Verona"_qs);
}

QTEST_MAIN(TestSearchFlow)
#include "tst_searchflow.moc"
