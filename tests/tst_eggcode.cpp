#include "eggcode.h"

#include <QTest>

class TestEggCode : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
};

// decoded: the four fields and the farming-type name, "|"-separated, or empty
// when the code is refused.
void TestEggCode::decode_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("decoded");

    auto row = [](const char *name, const QString &input, const QString &decoded) {
        QTest::newRow(name) << input << decoded;
    };
    row("free range, Bussolengo", u"1IT015VR001"_qs, u"1|IT|015|VR|All'Aperto"_qs);
    row("exactly eleven, lower case", u"2abcdefghij"_qs, u"2|AB|CDE|FG|A Terra"_qs);
    row("organic", u"0EL123AB999"_qs, u"0|EL|123|AB|Agricoltura Biologica"_qs);
    row("cage", u"3it001to036"_qs, u"3|IT|001|TO|In Gabbia (o Batteria)"_qs);
    row("twelve and more: the first eleven", u"1it015vr001xyz"_qs, u"1|IT|015|VR|All'Aperto"_qs);
    row("blanks shift the fields", u"1 IT 015VR0"_qs, u"1| I|T 0|15|All'Aperto"_qs);
    row("punctuation in the place fields", u"1'';--x%_01"_qs, u"1|''|;--|X%|All'Aperto"_qs);
    row("sharp s keeps the fields in place", u"1ßt015vr001"_qs, u"1|ßT|015|VR|All'Aperto"_qs);
    row("accents and surrogates in the fields", u"2àè€ìò😀001"_qs, u"2|ÀÈ|€ÌÒ|😀|A Terra"_qs);
    row("empty", QString(), {});
    row("ten characters, valid digit", u"1IT015VR00"_qs, {});
    row("leading blank before a valid code", u" 1IT015VR001"_qs, {});
    row("digit 4", u"4IT015VR001"_qs, {});
    row("digit 9", u"9IT015VR001"_qs, {});
    row("letter", u"aIT015VR001"_qs, {});
    row("full-width one", u"１IT015VR001"_qs, {});
    row("the error text itself", u"Dati Errati!"_qs, {});
}

void TestEggCode::decode()
{
    QFETCH(QString, input);
    QFETCH(QString, decoded);

    QCOMPARE(NormalizeEggCode(input).size(), input.size());
    const std::optional<EggCode> code = DecodeEggCode(input);
    QCOMPARE(code.has_value(), !decoded.isEmpty());
    if (code)
        QCOMPARE(QStringList({code->farmingType, code->countryCode, code->municipalityCode,
                     code->provinceCode, FarmingTypeName(code->farmingType)})
                     .join(u'|'),
            decoded);
    else
        QVERIFY(FarmingTypeName(input.left(1)).isEmpty() || input.size() < 11);
}

QTEST_APPLESS_MAIN(TestEggCode)
#include "tst_eggcode.moc"
