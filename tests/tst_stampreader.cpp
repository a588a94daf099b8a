// The stamp reader stopped from outside: a photo it reads to the end gives
// nothing once stop is requested, so a read a closing window gives up on
// can never be taken for an answer. And stopped from inside: a read of noise
// that no cut reads clearly ends at the bound on its work, with no answer.
#include "imageloader.h"
#include "knowncodes.h"
#include "stampreader.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

class TestStampReader : public QObject
{
    Q_OBJECT

private slots:
    void stopped();
    void bounded();
};

void TestStampReader::stopped()
{
    const KnownCodes known({"IT"}, {"308TO"});
    StampReader reader(known);
    QVERIFY(reader.isReady());
    const QImage photo = ImageLoader::load(PHOTO_DIR "/uovo.jpg").image;
    QCOMPARE(reader.read(photo), std::optional<std::string>("0IT308TO016"));

    std::stop_source stop;
    stop.request_stop();
    QCOMPARE(reader.read(photo, stop.get_token()), std::nullopt);
    QCOMPARE(
        reader.read(photo), std::optional<std::string>("0IT308TO016")); // the next read is whole
}

void TestStampReader::bounded()
{
    QVERIFY(QDir::setCurrent(QFileInfo(QStringLiteral(KELVO_BMP)).absolutePath()));
    const KnownCodes known = KnownCodes::fromStore();
    StampReader reader(known);
    // 96 x 72 of noise (a fuzzer's find): unbounded, its read went on for
    // more than 170,000 columns.
    const QImage noise = ImageLoader::load(PHOTO_DIR "/noise.heic").image;
    QVERIFY(!noise.isNull());
    QCOMPARE(reader.read(noise), std::nullopt);
    QVERIFY(reader.lastColumns() <= StampReader::MaxColumns);
    QVERIFY(reader.lastColumns() > StampReader::MaxColumns * 9 / 10);
}

QTEST_GUILESS_MAIN(TestStampReader)
#include "tst_stampreader.moc"
