// The stamp reader stopped from outside: a photo it reads to the end gives
// nothing once stop is requested, so a read a closing window gives up on
// can never be taken for an answer.
#include "imageloader.h"
#include "knowncodes.h"
#include "stampreader.h"

#include <QTest>

class TestStampReader : public QObject
{
    Q_OBJECT

private slots:
    void stopped();
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

QTEST_GUILESS_MAIN(TestStampReader)
#include "tst_stampreader.moc"
