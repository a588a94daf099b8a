#include "eggcode.h"
#include "testsupport.h"

#include <QTest>

class TestEggCode : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
};

void TestEggCode::decode_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("decoded");
    for (const QStringList &row : TestSupport::rows("codes"))
        QTest::newRow(qPrintable(row[0])) << row[1] << row[2];
}

void TestEggCode::decode()
{
    QFETCH(QString, input);
    QFETCH(QString, decoded);

    QCOMPARE(NormalizeEggCode(input).size(), input.size());
    const std::optional<EggCode> code = DecodeEggCode(input);
    QCOMPARE(code ? QStringList({code->farmingType, code->countryCode, code->municipalityCode,
                                    code->provinceCode, FarmingTypeName(code->farmingType)})
                        .join(u',')
                  : u"-"_qs,
        decoded);
}

QTEST_APPLESS_MAIN(TestEggCode)
#include "tst_eggcode.moc"
