#include "recogniser.h"

#include "codesearch.h"

#include <QFile>
#include <algorithm>
#include <opencv2/imgproc.hpp>

Recogniser::Recogniser()
{
    QFile model(QStringLiteral(":/reader/reader.onnx"));
    if (!model.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = model.readAll();
    try {
        m_net = cv::dnn::readNetFromONNX(bytes.constData(), std::size_t(bytes.size()));
    } catch (const cv::Exception &) {
        m_net = cv::dnn::Net();
    }
    m_net.setPreferableBackend(cv::dnn::DNN_BACKEND_OPENCV);
}

cv::Mat Recogniser::input(const cv::Mat &line)
{
    const double scale = std::min(double(Height) / line.rows, double(Width) / line.cols);
    const int w = std::clamp(int(line.cols * scale + 0.5), 1, Width);
    const int h = std::clamp(int(line.rows * scale + 0.5), 1, Height);
    cv::Mat scaled;
    cv::resize(line, scaled, cv::Size(w, h), 0, 0, scale < 1 ? cv::INTER_AREA : cv::INTER_LINEAR);
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
    cv::Mat canvas(Height, Width, CV_8UC3, fill);
    scaled.copyTo(canvas(cv::Rect(0, 0, w, h)));
    return canvas;
}

std::vector<float> Recogniser::recognise(const cv::Mat &line)
{
    if (m_net.empty() || line.empty())
        return {};
    // (pixel / 255 - 0.5) / 0.5, channels first.
    const cv::Mat blob = cv::dnn::blobFromImage(
        input(line), 2.0 / 255, cv::Size(), cv::Scalar(127.5, 127.5, 127.5));
    m_net.setInput(blob, "image");
    const cv::Mat out = m_net.forward("logits");
    if (out.total() != std::size_t(Steps) * CodeSearch::Classes || out.type() != CV_32F)
        return {};
    const float *p = out.ptr<float>();
    return std::vector<float>(p, p + std::size_t(Steps) * CodeSearch::Classes);
}
