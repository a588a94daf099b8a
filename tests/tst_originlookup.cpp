// The origin lookup's rules on small tables, and real codes on the shipped
// Kelvo.bmp.
#include "eggcode.h"
#include "labelstub.h"
#include "originlookup.h"
#include "storeerror.h"
#include "testdatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

// a1 holds the farming type, as the window has set it before the lookup;
// returns a2 to a4: "?" is the not-found marker, "*" follows a caption drawn
// in the not-found colour.
QString lookUp(const QString &input, LabelStub labels = {})
{
    labels.captions[0] = u"x"_qs;
    OriginLookup::run(*DecodeEggCode(input), labels);
    QStringList shown;
    for (int i = 1; i < 4; ++i)
        shown.append((labels.captions[i] == OriginLookup::NotFoundMarker ? u"?"_qs : labels.captions[i]) + (labels.colors[i] == OriginLookup::NotFoundColor ? u"*"_qs : u""_qs));
    if (labels.colors[0] != LabelStub::Untouched || labels.captions[0] != u"x")
        shown.append(u"a1 changed"_qs);
    return shown.join(u'|');
}

} // namespace

class TestOriginLookup : public QObject
{
    Q_OBJECT

private slots:
    void rules_data();
    void rules();
    void earlierNamesAreNotMarked();
    void failureStopsWhereItHappens();
    void shipped_data();
    void shipped();

private:
    QTemporaryDir m_dir;
};

void TestOriginLookup::rules_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("shown");

    const QString italy = u"('IT-ITA', NULL, 'Italia', NULL)"_qs;
    const QString bussolengo = u"('VR', '015', 'Bussolengo', 'Verona')"_qs;
    const QString code = u"1IT015VR001"_qs;
    const QString none = u"?*|?*|?*"_qs;
    auto row = [](const char *name, QStringList rows, QString input, QString shown) {
        QTest::newRow(name) << rows << input << shown;
    };
    row("all found", {italy, bussolengo}, code, u"Italia|Bussolengo|Verona"_qs);
    row("empty table marks all three", {}, code, none);
    row("two-character Targa is never a country", {u"('IT', '1', 'X', 'X')"_qs}, code, none);
    row("lower-case country code does not match", {u"('it-ita', NULL, 'Italia', NULL)"_qs}, code, none);
    row("country code is the first two characters", {u"('XIT', NULL, 'No', NULL)"_qs}, code, none);
    row("first of several country rows wins", {u"('ITA', NULL, 'Prima', NULL)"_qs, italy}, code, u"Prima|?*|?*"_qs);
    row("country with empty name shows it, unmarked", {u"('IT-ITA', NULL, '', NULL)"_qs, bussolengo}, code, u"|Bussolengo|Verona"_qs);
    row("country with null name is marked", {u"('IT-ITA', NULL, NULL, NULL)"_qs, italy, bussolengo}, code, u"?*|Bussolengo|Verona"_qs);
    row("null municipality is marked, province found", {italy, u"('VR', '015', NULL, 'Verona')"_qs}, code, u"Italia|?*|Verona"_qs);
    row("empty municipality is marked", {italy, u"('VR', '015', '', 'Verona')"_qs}, code, u"Italia|?*|Verona"_qs);
    row("province from its first row only", {italy, u"('VR', '001', 'Affi', NULL)"_qs, bussolengo}, code, u"Italia|Bussolengo|?*"_qs);
    row("name beginning with a hyphen is marked", {italy, u"('VR', '015', '-B', 'Verona')"_qs}, code, u"Italia|?*|Verona"_qs);
    row("names shown as stored", {u"('IT-ITA', NULL, ' Italia ', NULL)"_qs, u"('TO', '001', 'Agliè', 'Torino ')"_qs}, u"3it001to036"_qs, u" Italia |Agliè|Torino "_qs);
    row("quotes and SQL find nothing", {italy, bussolengo}, u"1IT0'5;--001"_qs, u"Italia|?*|?*"_qs);
    row("quotes match a row that holds them", {u"('V''', '0''5', 'Strano', 'P''')"_qs}, u"1XX0'5V'001"_qs, u"?*|Strano|P'"_qs);
}

void TestOriginLookup::rules()
{
    QFETCH(QStringList, rows);
    QFETCH(QString, code);
    QFETCH(QString, shown);

    QVERIFY(QDir::setCurrent(m_dir.path()));
    TestDatabase::createComuni(u"Kelvo.bmp"_qs, rows);
    const QByteArray before = TestDatabase::contents(u"Kelvo.bmp"_qs);
    QCOMPARE(lookUp(code), shown);
    QCOMPARE(TestDatabase::contents(u"Kelvo.bmp"_qs), before);
}

// Without an edit in between, a label keeps an earlier search's name, which
// does not begin with "-" and so is neither replaced nor marked.
void TestOriginLookup::earlierNamesAreNotMarked()
{
    QVERIFY(QDir::setCurrent(m_dir.path()));
    TestDatabase::createComuni(u"Kelvo.bmp"_qs, {});
    LabelStub earlier;
    earlier.captions = {u"x"_qs, u"Italia"_qs, u"Bussolengo"_qs, OriginLookup::NotFoundMarker};
    QCOMPARE(lookUp(u"1IT015VR001"_qs, earlier), u"Italia|Bussolengo|?"_qs);
}

// A failure ends the lookup at once: no later lookup and no marking.
void TestOriginLookup::failureStopsWhereItHappens()
{
    QVERIFY(QDir::setCurrent(m_dir.path()));
    TestDatabase::create(u"Kelvo.bmp"_qs, {u"CREATE TABLE Comuni (Targa, Ist, Zona);"_qs,
        u"INSERT INTO Comuni VALUES ('IT-ITA', NULL, 'Italia'), ('VR', '015', 'Bussolengo');"_qs},
        OriginLookup::Password.toUtf8());
    LabelStub labels;
    QVERIFY_THROWS_EXCEPTION(StoreError, OriginLookup::run(*DecodeEggCode(u"1IT015VR001"_qs), labels));
    QCOMPARE(labels.captions, (std::array<QString, 4> {u"-"_qs, u"Italia"_qs, u"Bussolengo"_qs, u"-"_qs}));
    QCOMPARE(labels.colors[3], LabelStub::Untouched);
}

void TestOriginLookup::shipped_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("shown");

    QTest::newRow("Bussolengo") << u"1IT015VR001"_qs << u"Italia|Bussolengo|Verona"_qs;
    QTest::newRow("Agliè, lower case") << u"3it001to036"_qs << u"Italia|Agliè|Torino"_qs;
    QTest::newRow("Greece as EL") << u"0EL001TO001"_qs << u"Grecia|Agliè|Torino"_qs;
    QTest::newRow("Greece as GR") << u"0GR001TO001"_qs << u"Grecia|Agliè|Torino"_qs;
    QTest::newRow("United Kingdom") << u"1UK001TO001"_qs << u"Regno Unito|Agliè|Torino"_qs;
    QTest::newRow("new since 2020") << u"1IT025TP001"_qs << u"Italia|Misiliscemi|Trapani"_qs;
    QTest::newRow("renamed since 2020") << u"1IT033PE001"_qs << u"Italia|Popoli Terme|Pescara"_qs;
    QTest::newRow("merged in 2013") << u"1IT042BL001"_qs << u"Italia|Quero|Belluno"_qs;
    QTest::newRow("a plate that no longer exists") << u"1IT017OT001"_qs << u"Italia|Olbia|Olbia-Tempio"_qs;
    QTest::newRow("moved from MI to MB in 2009") << u"1IT149MI001"_qs << u"Italia|Monza|Milano"_qs;
    QTest::newRow("province code as a country") << u"1VR999VR001"_qs << u"?*|?*|Verona"_qs;
}

void TestOriginLookup::shipped()
{
    QFETCH(QString, code);
    QFETCH(QString, shown);

    QVERIFY(QDir::setCurrent(QFileInfo(QStringLiteral(KELVO_BMP)).absolutePath()));
    QCOMPARE(lookUp(code), shown);
}

QTEST_GUILESS_MAIN(TestOriginLookup)
#include "tst_originlookup.moc"
