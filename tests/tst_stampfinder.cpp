// The stamp finder on drawn stamps whose groups stand far apart: some
// candidate must cut along the whole line, lone "1" and "IT" included.
#include "stampfinder.h"

#include <QTest>
#include <cmath>
#include <opencv2/imgproc.hpp>

class TestStampFinder : public QObject
{
    Q_OBJECT

private slots:
    void wideBlanks_data();
    void wideBlanks();
};

void TestStampFinder::wideBlanks_data()
{
    QTest::addColumn<double>("angle");
    QTest::addColumn<int>("font");
    QTest::newRow("level, plain") << 0.0 << int(cv::FONT_HERSHEY_PLAIN);
    QTest::newRow("steep, plain") << 65.0 << int(cv::FONT_HERSHEY_PLAIN);
    QTest::newRow("upside down, simplex") << 200.0 << int(cv::FONT_HERSHEY_SIMPLEX);
    QTest::newRow("sideways, duplex") << 110.0 << int(cv::FONT_HERSHEY_DUPLEX);
}

void TestStampFinder::wideBlanks()
{
    QFETCH(double, angle);
    QFETCH(int, font);
    // Red print on a cream shell, each group three blanks from the next.
    const std::string text = "1   IT   040   BL   236";
    int base = 0;
    const double scale = 2.2;
    const cv::Size size = cv::getTextSize(text, font, scale, 3, &base);
    cv::Mat level(size.height * 3, size.width + 80, CV_8UC3, cv::Scalar(225, 215, 190));
    cv::putText(
        level, text, {40, size.height * 2}, font, scale, cv::Scalar(200, 45, 40), 3, cv::LINE_AA);
    const int side = level.cols + 200;
    cv::Mat photo(side, side, CV_8UC3, cv::Scalar(225, 215, 190));
    level.copyTo(
        photo(cv::Rect((side - level.cols) / 2, (side - level.rows) / 2, level.cols, level.rows)));
    const cv::Point2f centre(float(side) / 2, float(side) / 2);
    cv::warpAffine(photo, photo, cv::getRotationMatrix2D(centre, -angle, 1), photo.size(),
        cv::INTER_LINEAR, cv::BORDER_REPLICATE);

    bool whole = false;
    for (const StampCandidate &candidate : StampFinder().find(photo))
        for (const LineBox &line : candidate.lines) {
            const double turn = std::fmod(std::fabs(line.angle - angle) + 360.0, 180.0);
            whole = whole
                || (std::min(turn, 180 - turn) < 5 && line.length > 0.9 * size.width
                    && cv::norm(line.centre - centre) < size.height);
        }
    QVERIFY2(whole, "no candidate cuts along the whole line");
}

QTEST_GUILESS_MAIN(TestStampFinder)
#include "tst_stampfinder.moc"
