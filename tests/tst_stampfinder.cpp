// The stamp finder on drawn stamps: some candidate must cut along the whole
// line, at its angle and its full height, when the groups stand far apart (lone
// "1" and "IT" included; near the diagonal too, where the pixel grid may
// mislead), when big, sparse dots leave deep gaps between their rows, and
// (among the faint candidates) when the print is fainter than a texture around it,
// (among the spread-out ones) when big print's words stand apart on two lines,
// and (among the dotted ones) when small dots stand apart among a shell's specks.
#include "imageloader.h"
#include "stampfinder.h"
#include "stampreader.h"

#include <QTest>
#include <cmath>
#include <opencv2/imgproc.hpp>

class TestStampFinder : public QObject
{
    Q_OBJECT

private slots:
    void wholeLine_data();
    void wholeLine();
    void faintPrint_data();
    void faintPrint();
    void spreadPrint_data();
    void spreadPrint();
    void dotsApart();
};

// Red print on a cream shell.
const cv::Scalar Shell(225, 215, 190);

// The square photo turned by angle degrees about its centre, which it gives.
cv::Point2f turn(cv::Mat &photo, double angle)
{
    const cv::Point2f centre(float(photo.cols) / 2, float(photo.rows) / 2);
    cv::warpAffine(photo, photo, cv::getRotationMatrix2D(centre, -angle, 1), photo.size(),
        cv::INTER_LINEAR, cv::BORDER_REPLICATE);
    return centre;
}

// A line turned further than this from its text leaves the ends of a long code outside its cut.
constexpr double MaxTurn = 2;

// Whether a line of some candidate lies along the text centred there, its full length and height.
bool holdsLine(const std::vector<StampCandidate> &candidates, double angle,
    const cv::Point2f &centre, const cv::Size &size)
{
    for (const StampCandidate &candidate : candidates)
        for (const LineBox &line : candidate.lines) {
            const double turn = std::fmod(std::fabs(line.angle - angle) + 360.0, 180.0);
            if (std::min(turn, 180 - turn) < MaxTurn && line.length > 0.9 * size.width
                && line.height > 0.6 * size.height && cv::norm(line.centre - centre) < size.height)
                return true;
        }
    return false;
}

void TestStampFinder::wholeLine_data()
{
    QTest::addColumn<double>("angle");
    QTest::addColumn<int>("font");
    QTest::addColumn<int>("dotPitch"); // 0: solid strokes
    const int plain = cv::FONT_HERSHEY_PLAIN;
    QTest::newRow("wide blanks, level") << 0.0 << plain << 0;
    QTest::newRow("wide blanks, steep") << 65.0 << plain << 0;
    QTest::newRow("wide blanks, upside down") << 200.0 << int(cv::FONT_HERSHEY_SIMPLEX) << 0;
    QTest::newRow("wide blanks, sideways") << 110.0 << int(cv::FONT_HERSHEY_DUPLEX) << 0;
    QTest::newRow("wide blanks, near the diagonal") << 40.0 << plain << 0;
    QTest::newRow("sparse dots, level") << 0.0 << plain << 12;
    QTest::newRow("sparse dots, steep") << 65.0 << plain << 12;
}

void TestStampFinder::wholeLine()
{
    QFETCH(double, angle);
    QFETCH(int, font);
    QFETCH(int, dotPitch);
    const cv::Scalar ink(200, 45, 40);
    cv::Mat level;
    cv::Size size; // of the text
    if (dotPitch == 0) {
        // Each group three blanks from the next.
        const std::string text = "1   IT   040   BL   236";
        int base = 0;
        const double scale = 2.2;
        size = cv::getTextSize(text, font, scale, 3, &base);
        level = cv::Mat(size.height * 3, size.width + 80, CV_8UC3, Shell);
        cv::putText(level, text, {40, size.height * 2}, font, scale, ink, 3, cv::LINE_AA);
    } else {
        // Each pixel of a tiny print a dot: six rows of them.
        const std::string text = "2IT065UD311";
        int base = 0;
        const cv::Size tiny = cv::getTextSize(text, font, 0.6, 1, &base);
        cv::Mat grid(tiny.height + 2, tiny.width, CV_8U, cv::Scalar(0));
        cv::putText(grid, text, {0, tiny.height + 1}, font, 0.6, cv::Scalar(255), 1, cv::LINE_8);
        size = cv::Size(grid.cols * dotPitch, tiny.height * dotPitch);
        level = cv::Mat(size.height * 3, size.width + 80, CV_8UC3, Shell);
        for (int y = 0; y < grid.rows; ++y)
            for (int x = 0; x < grid.cols; ++x)
                if (grid.at<uchar>(y, x))
                    cv::circle(level,
                        {40 + x * dotPitch, size.height * 2 - (grid.rows - 2 - y) * dotPitch},
                        dotPitch * 3 / 10, ink, cv::FILLED, cv::LINE_AA);
    }
    const int side = level.cols + 200;
    cv::Mat photo(side, side, CV_8UC3, Shell);
    level.copyTo(
        photo(cv::Rect((side - level.cols) / 2, (side - level.rows) / 2, level.cols, level.rows)));
    const cv::Point2f centre = turn(photo, angle);

    QVERIFY2(holdsLine(StampFinder().find(photo), angle, centre, size),
        "no candidate cuts along the whole line");
}

void TestStampFinder::faintPrint_data()
{
    QTest::addColumn<double>("angle");
    QTest::addColumn<int>("contrast");
    QTest::addColumn<bool>("seen");
    // The dots of a carton's texture above and below raise the threshold of
    // the whole, not of the smooth band the print lies on...
    QTest::newRow("between a carton's dots") << 0.0 << 30 << true;
    QTest::newRow("between a carton's dots, upside down") << 180.0 << 30 << true;
    // ...and print fainter than the least threshold is left to the faint map.
    QTest::newRow("fainter than the least threshold") << 0.0 << 16 << false;
    QTest::newRow("fainter than the least threshold, upside down") << 180.0 << 16 << false;
}

void TestStampFinder::faintPrint()
{
    QFETCH(double, angle);
    QFETCH(int, contrast);
    QFETCH(bool, seen);
    const int side = StampFinder::SmallSide;
    cv::Mat photo(side, side, CV_8UC3, Shell);
    for (int y = 0; y < side; y += 8)
        for (int x = 0; x < side; x += 8)
            if (y < side / 3 || y >= side * 2 / 3)
                photo(cv::Rect(x, y, std::min(5, side - x), std::min(5, side - y)))
                    -= cv::Scalar::all(21);
    const std::string text = "1IT040BL236";
    int base = 0;
    const cv::Size size = cv::getTextSize(text, cv::FONT_HERSHEY_PLAIN, 4.5, 3, &base);
    cv::putText(photo, text, {(side - size.width) / 2, (side + size.height) / 2},
        cv::FONT_HERSHEY_PLAIN, 4.5, Shell - cv::Scalar(0, contrast, contrast), 3, cv::LINE_AA);
    const cv::Point2f centre = turn(photo, angle);

    const StampFinder finder;
    QCOMPARE(holdsLine(finder.find(photo), angle, centre, size), seen);
    QVERIFY2(holdsLine(finder.findFaint(photo), angle, centre, size),
        "no faint candidate cuts along the whole line");
}

void TestStampFinder::spreadPrint_data()
{
    QTest::addColumn<double>("angle");
    QTest::newRow("slightly turned") << 15.0;
    QTest::newRow("sideways") << 100.0;
}

void TestStampFinder::spreadPrint()
{
    // Big print in two lines of words set far apart: each word falls into a
    // blob of its own, whose few letters seem to run across their strokes.
    const int side = StampFinder::SmallSide;
    cv::Mat photo(side, side, CV_8UC3, Shell);
    QFETCH(double, angle);
    const int font = cv::FONT_HERSHEY_TRIPLEX, weight = 4;
    const double scale = 3;
    const std::string first = "1  IT  017", second = "MS  922";
    int base = 0;
    const cv::Size size = cv::getTextSize(first, font, scale, weight, &base);
    const cv::Scalar ink(200, 45, 40);
    const int left = (side - size.width) / 2;
    cv::putText(photo, first, {left, side / 2}, font, scale, ink, weight, cv::LINE_AA);
    cv::putText(
        photo, second, {left, side / 2 + 2 * size.height}, font, scale, ink, weight, cv::LINE_AA);
    const cv::Point2f centre = turn(photo, angle);
    // The first line's centre, turned with the photo.
    const float radians = float(angle * CV_PI / 180), up = -float(size.height) / 2;
    const cv::Point2f at = centre + cv::Point2f(-up * std::sin(radians), up * std::cos(radians));

    const StampFinder finder;
    QVERIFY2(!holdsLine(finder.find(photo), angle, at, size), "the words are found as one line");
    QVERIFY2(holdsLine(finder.findSpread(photo), angle, at, size),
        "no spread-out candidate cuts along the whole line");
}

void TestStampFinder::dotsApart()
{
    // A generated photo, cut down to the finder's first copy and about the
    // code line: faint red dots that stand apart, on a speckled brown shell,
    // turned 75 degrees.
    const ImageLoader::Result loaded = ImageLoader::load(PHOTO_DIR "/dots-apart.jpg");
    const cv::Mat photo = StampReader::rgbView(loaded.image);
    QVERIFY(!photo.empty());
    // The code line's dots, as measured on the photo.
    const double angle = 75.4;
    const cv::Point2f centre(256.2f, 255.6f);
    const cv::Size size(246, 20);

    const StampFinder finder;
    QVERIFY2(
        !holdsLine(finder.find(photo), angle, centre, size), "the plain ink map holds the line");
    QVERIFY2(holdsLine(finder.findDotted(photo), angle, centre, size),
        "no dotted candidate cuts along the whole line");
}

QTEST_GUILESS_MAIN(TestStampFinder)
#include "tst_stampfinder.moc"
