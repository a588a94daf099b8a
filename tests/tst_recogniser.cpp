// The recogniser on a drawn line of print, followed by more or less bare shell:
// whatever width the line takes, at the edges of the network's input widths and
// beyond the widest (read in windows), every character is read once.
#include "codesearch.h"
#include "recogniser.h"
#include "stampreader.h"

#include <QRegularExpression>
#include <QTest>
#include <opencv2/imgproc.hpp>

class TestRecogniser : public QObject
{
    Q_OBJECT

private slots:
    void everyWidth_data();
    void everyWidth();
};

void TestRecogniser::everyWidth_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width"); // of the line, scaled to the network's height

    const int narrowest = Recogniser::Widths[0] - Recogniser::FillMargin;
    const int widest = Recogniser::Width - Recogniser::FillMargin;
    QTest::newRow("short, the narrowest input") << "1IT" << narrowest;
    QTest::newRow("a code, one column too wide for the input before")
        << "1IT015VR001" << Recogniser::Widths[1] - Recogniser::FillMargin + 1;
    QTest::newRow("a code, filling the widest input") << "1IT015VR001" << widest;
    QTest::newRow("a code, too wide for any input by less than the fill")
        << "1IT015VR001" << widest + 1;
    QTest::newRow("a code, in two windows") << "1IT015VR001" << Recogniser::Width * 3 / 2;
    QTest::newRow("a code and a date, in several windows")
        << "1IT015VR001 18/12/26" << Recogniser::Width * 3;
}

void TestRecogniser::everyWidth()
{
    QFETCH(QString, text);
    QFETCH(int, width);

    // Red print on a cream shell, its capitals two thirds of the line's height.
    constexpr int Height = Recogniser::Height * 2;
    cv::Mat line(Height, width * 2, CV_8UC3, cv::Scalar(225, 215, 190));
    cv::putText(line, text.toStdString(), cv::Point(Height / 3, Height * 5 / 6),
        cv::FONT_HERSHEY_SIMPLEX, 1.3, cv::Scalar(190, 40, 40), 4, cv::LINE_AA);

    Recogniser recogniser(StampReader::Networks[0]);
    QVERIFY(recogniser.isReady());
    const std::vector<float> logProbs = recogniser.recognise(line);
    QVERIFY(logProbs.size() >= std::size_t(width / Recogniser::StepWidth) * CodeSearch::Classes);
    QCOMPARE(CodeSearch::characters(logProbs), int(text.count(QRegularExpression("[0-9A-Z]"))));
}

QTEST_APPLESS_MAIN(TestRecogniser)
#include "tst_recogniser.moc"
