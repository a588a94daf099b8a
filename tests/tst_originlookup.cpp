#include "eggcode.h"
#include "labelstub.h"
#include "originlookup.h"
#include "storeerror.h"
#include "testdatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <array>

namespace {

const QString Placeholder = u"------- ------- ------ ------ ------ ------"_qs;
const QString Marker = u"?????????????????????"_qs;
constexpr int Untouched = LabelStub::Untouched;

LabelStub searched(const QString &input, LabelStub labels = LabelStub())
{
    const std::optional<EggCode> code = DecodeEggCode(input);
    if (!code)
        qFatal("test code %s is refused", qPrintable(input));
    labels.captions[0] = FarmingTypeName(code->farmingType);
    OriginLookup::run(*code, labels);
    return labels;
}

} // namespace

class TestOriginLookup : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void places_data();
    void places();
    void labelFromEarlierSearchIsNotMarked();
    void shippedDatabase_data();
    void shippedDatabase();
    void failureKeepsWhatLabelsShow();

private:
    QTemporaryDir m_dir;
    QString m_previousDir;
};

void TestOriginLookup::init()
{
    QVERIFY(m_dir.isValid());
    m_previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir.path()));
    QFile::remove(u"Kelvo.bmp"_qs);
}

void TestOriginLookup::cleanup()
{
    QDir::setCurrent(m_previousDir);
}

void TestOriginLookup::places_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("country");
    QTest::addColumn<QString>("municipality");
    QTest::addColumn<QString>("province");

    const QString italy = u"('IT-ITA', NULL, 'Italia', NULL)"_qs;
    const QString bussolengo = u"('VR', '015', 'Bussolengo', 'Verona')"_qs;
    const QString valid = u"1IT015VR001"_qs;

    QTest::newRow("all found") << QStringList {italy, bussolengo} << valid << u"Italia"_qs
                               << u"Bussolengo"_qs << u"Verona"_qs;
    QTest::newRow("empty table marks all three")
        << QStringList {} << valid << Marker << Marker << Marker;
    QTest::newRow("two-character Targa is never a country")
        << QStringList {u"('IT', '001', 'Provincia IT', 'IT')"_qs, bussolengo} << valid << Marker
        << u"Bussolengo"_qs << u"Verona"_qs;
    QTest::newRow("lower-case country code does not match")
        << QStringList {u"('it-ita', NULL, 'Italia', NULL)"_qs} << valid << Marker << Marker
        << Marker;
    QTest::newRow("first of several country rows wins")
        << QStringList {u"('ITA', NULL, 'Prima', NULL)"_qs, italy} << valid << u"Prima"_qs << Marker
        << Marker;
    QTest::newRow("country code must be the first two characters")
        << QStringList {u"('XIT', NULL, 'Altro', NULL)"_qs, italy} << valid << u"Italia"_qs
        << Marker << Marker;
    QTest::newRow("country with empty name shows it empty, unmarked")
        << QStringList {u"('IT-ITA', NULL, '', NULL)"_qs, italy} << valid << QString() << Marker
        << Marker;
    QTest::newRow("country with null name is marked")
        << QStringList {u"('IT-ITA', NULL, NULL, NULL)"_qs, italy} << valid << Marker << Marker
        << Marker;
    QTest::newRow("null municipality name is marked, province still found")
        << QStringList {italy, u"('VR', '015', NULL, 'Verona')"_qs} << valid << u"Italia"_qs
        << Marker << u"Verona"_qs;
    QTest::newRow("empty municipality name is marked")
        << QStringList {italy, u"('VR', '015', '', 'Verona')"_qs} << valid << u"Italia"_qs << Marker
        << u"Verona"_qs;
    QTest::newRow("known province, unknown municipality")
        << QStringList {italy, u"('VR', '001', 'Affi', 'Verona')"_qs} << valid << u"Italia"_qs
        << Marker << u"Verona"_qs;
    QTest::newRow("province name from the first row only")
        << QStringList {italy, u"('VR', '001', 'Affi', NULL)"_qs, bussolengo} << valid
        << u"Italia"_qs << u"Bussolengo"_qs << Marker;
    QTest::newRow("name beginning with a hyphen is marked")
        << QStringList {italy, u"('VR', '015', '-Bussolengo', 'Verona')"_qs} << valid
        << u"Italia"_qs << Marker << u"Verona"_qs;
    QTest::newRow("names shown as stored, blanks and accents kept")
        << QStringList {u"('IT-ITA', NULL, ' Italia ', NULL)"_qs,
               u"('TO', '001', 'Agliè', 'Torino ')"_qs}
        << u"3IT001TO036"_qs << u" Italia "_qs << u"Agliè"_qs << u"Torino "_qs;
    QTest::newRow("quotes in the fields find nothing")
        << QStringList {italy, bussolengo} << u"1IT0'5V'001"_qs << u"Italia"_qs << Marker << Marker;
    QTest::newRow("SQL text in the fields finds nothing")
        << QStringList {italy, bussolengo} << u"1IT;--OR001"_qs << u"Italia"_qs << Marker << Marker;
    QTest::newRow("quotes match only a row that holds them")
        << QStringList {italy, u"('V''', '0''5', 'Strano', 'Provincia''')"_qs} << u"1IT0'5V'001"_qs
        << u"Italia"_qs << u"Strano"_qs << u"Provincia'"_qs;
    QTest::newRow("non-ASCII fields find nothing")
        << QStringList {italy, bussolengo} << u"1ÀÈ€ÌÒ😀001"_qs << Marker << Marker << Marker;
}

void TestOriginLookup::places()
{
    QFETCH(QStringList, rows);
    QFETCH(QString, code);
    QFETCH(QString, country);
    QFETCH(QString, municipality);
    QFETCH(QString, province);

    TestDatabase::createComuni(u"Kelvo.bmp"_qs, rows);
    const QByteArray before = TestDatabase::contents(u"Kelvo.bmp"_qs);
    const LabelStub labels = searched(code);

    QCOMPARE(labels.captions[0], FarmingTypeName(code.left(1)));
    QCOMPARE(labels.colors[0], Untouched);
    const std::array<QString, 3> expected {country, municipality, province};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(labels.captions[i + 1], expected[i]);
        QCOMPARE(labels.colors[i + 1], expected[i] == Marker ? 255 : Untouched);
    }
    QCOMPARE(TestDatabase::contents(u"Kelvo.bmp"_qs), before);
}

// Without an edit between two searches a label keeps the earlier name, which
// does not begin with "-" and so is not marked again.
void TestOriginLookup::labelFromEarlierSearchIsNotMarked()
{
    TestDatabase::createComuni(u"Kelvo.bmp"_qs, {u"('IT-ITA', NULL, 'Italia', NULL)"_qs});
    LabelStub earlier;
    earlier.captions = {u"All'Aperto"_qs, u"Italia"_qs, u"Bussolengo"_qs, Marker};
    earlier.colors = {0, 0, 0, 255};

    const LabelStub labels = searched(u"1IT015VR001"_qs, earlier);
    QCOMPARE(labels.captions,
        (std::array<QString, 4> {u"All'Aperto"_qs, u"Italia"_qs, u"Bussolengo"_qs, Marker}));
    QCOMPARE(labels.colors, (std::array<int, 4> {0, 0, 0, 255}));
}

void TestOriginLookup::shippedDatabase_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("country");
    QTest::addColumn<QString>("municipality");
    QTest::addColumn<QString>("province");

    QTest::newRow("Bussolengo") << u"1IT015VR001"_qs << u"Italia"_qs << u"Bussolengo"_qs
                                << u"Verona"_qs;
    QTest::newRow("Agliè, lower case")
        << u"3it001to036"_qs << u"Italia"_qs << u"Agliè"_qs << u"Torino"_qs;
    QTest::newRow("Greece, EL") << u"0EL123AB001"_qs << u"Grecia"_qs << Marker << Marker;
    QTest::newRow("Greece, GR") << u"2GR123AB001"_qs << u"Grecia"_qs << Marker << Marker;
    QTest::newRow("United Kingdom")
        << u"1UK001TO001"_qs << u"Regno Unito"_qs << u"Agliè"_qs << u"Torino"_qs;
    QTest::newRow("unknown country")
        << u"1XX015VR001"_qs << Marker << u"Bussolengo"_qs << u"Verona"_qs;
    QTest::newRow("province code as country")
        << u"1VR999VR001"_qs << Marker << Marker << u"Verona"_qs;
}

void TestOriginLookup::shippedDatabase()
{
    QFETCH(QString, code);
    QFETCH(QString, country);
    QFETCH(QString, municipality);
    QFETCH(QString, province);

    const QFileInfo shipped(QStringLiteral(KELVO_BMP));
    QVERIFY(QDir::setCurrent(shipped.absolutePath()));
    const QByteArray before = TestDatabase::contents(shipped.fileName());
    const LabelStub labels = searched(code);
    QCOMPARE(labels.captions[1], country);
    QCOMPARE(labels.captions[2], municipality);
    QCOMPARE(labels.captions[3], province);
    QCOMPARE(TestDatabase::contents(shipped.fileName()), before);
}

// A failure ends the lookup where it happens: no later lookup and no marking.
void TestOriginLookup::failureKeepsWhatLabelsShow()
{
    TestDatabase::create(u"Kelvo.bmp"_qs,
        {u"CREATE TABLE Comuni (Targa, Ist, Zona);"_qs,
            u"INSERT INTO Comuni VALUES ('IT-ITA', NULL, 'Italia');"_qs,
            u"INSERT INTO Comuni VALUES ('VR', '015', 'Bussolengo');"_qs},
        TestDatabase::password());
    LabelStub labels;
    labels.captions[0] = u"All'Aperto"_qs;
    QVERIFY_THROWS_EXCEPTION(
        StoreError, OriginLookup::run(*DecodeEggCode(u"1IT015VR001"_qs), labels));
    QCOMPARE(labels.captions,
        (std::array<QString, 4> {u"All'Aperto"_qs, u"Italia"_qs, u"Bussolengo"_qs, Placeholder}));
    QCOMPARE(labels.colors, (std::array<int, 4> {Untouched, Untouched, Untouched, Untouched}));
}

QTEST_GUILESS_MAIN(TestOriginLookup)
#include "tst_originlookup.moc"
