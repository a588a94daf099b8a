#include "eggcode.h"

#include <QTest>

class TestEggCode : public QObject
{
    Q_OBJECT

private slots:
    void normalize_data();
    void normalize();
    void decodeAccepted_data();
    void decodeAccepted();
    void decodeRefused_data();
    void decodeRefused();
    void firstCharacter_data();
    void firstCharacter();
    void longerTextDecodesLikeItsFirstEleven_data();
    void longerTextDecodesLikeItsFirstEleven();
};

void TestEggCode::normalize_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("lower case") << u"1it015vr001"_qs << u"1IT015VR001"_qs;
    QTest::newRow("blanks and punctuation kept") << u" a-b'c; "_qs << u" A-B'C; "_qs;
    QTest::newRow("accented letters") << u"àèìòù"_qs << u"ÀÈÌÒÙ"_qs;
    QTest::newRow("sharp s keeps its place") << u"1ßt015vr001"_qs << u"1ßT015VR001"_qs;
    QTest::newRow("ligature without single upper case") << u"ﬁx"_qs << u"ﬁX"_qs;
    QTest::newRow("surrogate pair untouched") << u"a😀b"_qs << u"A😀B"_qs;
}

void TestEggCode::normalize()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    const QString normalized = NormalizeEggCode(input);
    QCOMPARE(normalized, expected);
    QCOMPARE(normalized.size(), input.size());
    QCOMPARE(NormalizeEggCode(normalized), normalized);
}

void TestEggCode::decodeAccepted_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("farmingType");
    QTest::addColumn<QString>("country");
    QTest::addColumn<QString>("municipality");
    QTest::addColumn<QString>("province");
    QTest::addColumn<QString>("name");

    QTest::newRow("free range, Bussolengo")
        << u"1IT015VR001"_qs << u"1"_qs << u"IT"_qs << u"015"_qs << u"VR"_qs << u"All'Aperto"_qs;
    QTest::newRow("exactly eleven, lower case")
        << u"2abcdefghij"_qs << u"2"_qs << u"AB"_qs << u"CDE"_qs << u"FG"_qs << u"A Terra"_qs;
    QTest::newRow("organic") << u"0EL123AB999"_qs << u"0"_qs << u"EL"_qs << u"123"_qs << u"AB"_qs
                             << u"Agricoltura Biologica"_qs;
    QTest::newRow("cage") << u"3it001to036"_qs << u"3"_qs << u"IT"_qs << u"001"_qs << u"TO"_qs
                          << u"In Gabbia (o Batteria)"_qs;
    QTest::newRow("blanks shift the fields")
        << u"1 IT 015VR0"_qs << u"1"_qs << u" I"_qs << u"T 0"_qs << u"15"_qs << u"All'Aperto"_qs;
    QTest::newRow("punctuation in the place fields")
        << u"1'';--x%_01"_qs << u"1"_qs << u"''"_qs << u";--"_qs << u"X%"_qs << u"All'Aperto"_qs;
    QTest::newRow("non-ASCII in the place fields")
        << u"2àè€ìò😀001"_qs << u"2"_qs << u"ÀÈ"_qs << u"€ÌÒ"_qs << u"😀"_qs << u"A Terra"_qs;
    QTest::newRow("sharp s keeps the fields in place")
        << u"1ßt015vr001"_qs << u"1"_qs << u"ßT"_qs << u"015"_qs << u"VR"_qs << u"All'Aperto"_qs;
}

void TestEggCode::decodeAccepted()
{
    QFETCH(QString, input);
    QFETCH(QString, farmingType);
    QFETCH(QString, country);
    QFETCH(QString, municipality);
    QFETCH(QString, province);
    QFETCH(QString, name);

    const std::optional<EggCode> code = DecodeEggCode(input);
    QVERIFY(code);
    QCOMPARE(code->farmingType, farmingType);
    QCOMPARE(code->countryCode, country);
    QCOMPARE(code->municipalityCode, municipality);
    QCOMPARE(code->provinceCode, province);
    QCOMPARE(FarmingTypeName(code->farmingType), name);
}

void TestEggCode::decodeRefused_data()
{
    QTest::addColumn<QString>("input");

    QTest::newRow("empty") << QString();
    QTest::newRow("one digit") << u"1"_qs;
    QTest::newRow("ten characters, valid digit") << u"1IT015VR00"_qs;
    QTest::newRow("ten units, one a surrogate pair") << u"1IT015VR😀"_qs;
    QTest::newRow("leading blank before a valid code") << u" 1IT015VR001"_qs;
    QTest::newRow("digit 4") << u"4IT015VR001"_qs;
    QTest::newRow("digit 9") << u"9IT015VR001"_qs;
    QTest::newRow("full-width digit one") << u"１IT015VR001"_qs;
    QTest::newRow("superscript one") << u"¹IT015VR001"_qs;
    QTest::newRow("error text itself") << u"Dati Errati!"_qs;
    QTest::newRow("wrong digit and too short") << u"5"_qs;
}

void TestEggCode::decodeRefused()
{
    QFETCH(QString, input);
    QVERIFY(!DecodeEggCode(input));
}

// Every Basic Latin digit and letter, in both cases, as the first character.
void TestEggCode::firstCharacter_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("accepted");

    QString firsts = u"0123456789"_qs;
    for (char16_t c = u'A'; c <= u'Z'; ++c)
        firsts += QChar(c) + QString(QChar(char16_t(c + u'a' - u'A')));
    firsts += u" -_'."_qs;
    for (QChar first : firsts) {
        const QString code = first + u"IT015VR001"_qs;
        QTest::newRow(qPrintable(u"first '"_qs + first + u'\''))
            << code << (first >= u'0' && first <= u'3');
    }
}

void TestEggCode::firstCharacter()
{
    QFETCH(QString, input);
    QFETCH(bool, accepted);
    const std::optional<EggCode> code = DecodeEggCode(input);
    QCOMPARE(code.has_value(), accepted);
    QCOMPARE(FarmingTypeName(input.left(1)).isEmpty(), !accepted);
}

void TestEggCode::longerTextDecodesLikeItsFirstEleven_data()
{
    QTest::addColumn<QString>("input");

    QTest::newRow("twelve") << u"1IT015VR001X"_qs;
    QTest::newRow("twelve, trailing blank") << u"1it015vr001 "_qs;
    QTest::newRow("long run") << u"0AT123XY999"_qs + QString(5000, u'z');
}

void TestEggCode::longerTextDecodesLikeItsFirstEleven()
{
    QFETCH(QString, input);
    const std::optional<EggCode> whole = DecodeEggCode(input);
    QVERIFY(whole);
    QCOMPARE(*whole, *DecodeEggCode(input.left(11)));
}

QTEST_APPLESS_MAIN(TestEggCode)
#include "tst_eggcode.moc"
