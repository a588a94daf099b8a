#include "recogniser.h"

#include "codesearch.h"

#include <QFile>
#include <algorithm>
#include <opencv2/imgproc.hpp>

namespace {

// The line's width once scaled to Height rows.
int scaledWidth(cv::Size line)
{
    return std::max(1, int(line.width * (double(Recogniser::Height) / line.height) + 0.5));
}

// The input's width for a line scaled to w columns.
int canvasWidth(int w)
{
    using R = Recogniser;
    const int *width = std::find_if(std::begin(R::Widths), std::end(R::Widths),
        [&](int columns) { return w + R::FillMargin <= columns; });
    return width != std::end(R::Widths)
        ? *width
        : std::max(R::Width, (w + R::StepWidth - 1) / R::StepWidth * R::StepWidth);
}

// Where each window of the input starts: half a window apart, the last flush with the end.
std::vector<int> windowOffsets(int canvas, int window)
{
    std::vector<int> offsets;
    for (int o = 0; o + window < canvas; o += window / 2)
        offsets.push_back(o);
    offsets.push_back(canvas - window);
    return offsets;
}

} // namespace

Recogniser::Recogniser(const char *resource)
{
    QFile model(QString::fromLatin1(resource));
    if (!model.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = model.readAll();
    try {
        for (std::size_t k = 0; k < std::size(Widths); ++k) {
            m_nets.push_back(
                cv::dnn::readNetFromONNX(bytes.constData(), std::size_t(bytes.size())));
            m_nets.back().setPreferableBackend(cv::dnn::DNN_BACKEND_OPENCV);
        }
    } catch (const cv::Exception &) {
        m_nets.clear();
    }
}

cv::Mat Recogniser::input(const cv::Mat &line)
{
    // A long line keeps its full height and is read in windows.
    const int w = scaledWidth(line.size());
    cv::Mat scaled;
    cv::resize(line, scaled, cv::Size(w, Height), 0, 0,
        line.rows > Height ? cv::INTER_AREA : cv::INTER_LINEAR);
    // The median of each channel.
    cv::Scalar fill;
    std::vector<cv::Mat> channels;
    cv::split(scaled, channels);
    for (int c = 0; c < 3; ++c) {
        std::vector<uchar> values(
            channels[std::size_t(c)].begin<uchar>(), channels[std::size_t(c)].end<uchar>());
        std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
        fill[c] = values[values.size() / 2];
    }
    cv::Mat canvas(Height, canvasWidth(w), CV_8UC3, fill);
    scaled.copyTo(canvas(cv::Rect(0, 0, w, Height)));
    return canvas;
}

std::vector<float> Recogniser::recognise(const cv::Mat &line)
{
    if (m_nets.empty() || line.empty())
        return {};
    const cv::Mat canvas = input(line);
    const std::size_t net
        = std::size_t(std::find(std::begin(Widths), std::end(Widths), std::min(canvas.cols, Width))
            - std::begin(Widths));
    const int window = Widths[net];
    // A line longer than Width is read in windows half a window apart; each step is taken from the
    // window whose centre is nearest, far from the window's edges, where its reading is the same as
    // one pass over the whole line would give.
    const std::vector<int> offsets = windowOffsets(canvas.cols, window);
    const std::size_t steps = std::size_t(canvas.cols / StepWidth);
    std::vector<float> logProbs(steps * CodeSearch::Classes);
    std::size_t done = 0;
    for (std::size_t k = 0; k < offsets.size(); ++k) {
        // (pixel / 255 - 0.5) / 0.5, channels first.
        const cv::Mat blob = cv::dnn::blobFromImage(canvas(cv::Rect(offsets[k], 0, window, Height)),
            2.0 / 255, cv::Size(), cv::Scalar(127.5, 127.5, 127.5));
        m_nets[net].setInput(blob, "image");
        const cv::Mat out = m_nets[net].forward("logits");
        if (out.total() != std::size_t(window / StepWidth) * CodeSearch::Classes
            || out.type() != CV_32F || !out.isContinuous())
            return {};
        // Up to halfway between this window's centre and the next one's.
        const std::size_t first = std::size_t(offsets[k] / StepWidth);
        const std::size_t end = k + 1 < offsets.size()
            ? std::size_t((offsets[k] + offsets[k + 1] + window) / 2 / StepWidth)
            : steps;
        const float *p = out.ptr<float>();
        std::copy(p + (done - first) * CodeSearch::Classes, p + (end - first) * CodeSearch::Classes,
            logProbs.begin() + std::ptrdiff_t(done * CodeSearch::Classes));
        done = end;
    }
    return logProbs;
}

int Recogniser::columns(cv::Size line)
{
    if (line.empty())
        return 0;
    const int canvas = canvasWidth(scaledWidth(line));
    const int window = std::min(canvas, Width);
    return int(windowOffsets(canvas, window).size()) * window;
}
