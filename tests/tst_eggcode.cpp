#include "eggcode.h"
#include "testsupport.h"

class TestEggCode : public QObject
{
    Q_OBJECT

private slots:
    void decode_data() { TestSupport::addRows("codes"); }
    void decode();
};

void TestEggCode::decode()
{
    QFETCH(QStringList, row);
    const QString &input = row[1], &decoded = row[2];

    QCOMPARE(NormalizeEggCode(input).size(), input.size());
    const std::optional<EggCode> code = DecodeEggCode(input);
    QCOMPARE(code ? QStringList({code->farmingType, code->countryCode, code->municipalityCode,
                                    code->provinceCode, FarmingTypeName(code->farmingType)})
                        .join(u',')
                  : u"-"_s,
        decoded);
}

QTEST_APPLESS_MAIN(TestEggCode)
#include "tst_eggcode.moc"
