// The recogniser: a small CNN with CTC, trained on generated photos
// (scripts/train-reader.py), run by OpenCV's dnn module from one of the
// networks in data/ (8-bit weights), built into the program as Qt resources.
#pragma once

#include <opencv2/core.hpp>
#include <opencv2/dnn.hpp>
#include <vector>

class Recogniser
{
public:
    // The network's input and output.
    static constexpr int Height = 32, Width = 320, Steps = 80, StepWidth = Width / Steps;

    explicit Recogniser(const char *resource); // loads a built-in network
    bool isReady() const { return !m_net.empty(); }

    // A straightened line (CV_8UC3, RGB) to log-probabilities, CodeSearch::Classes
    // for each StepWidth pixels of input: Steps rows, more for a long line.
    std::vector<float> recognise(const cv::Mat &line);

    // The line as the network sees it: scaled to Height, at the left, the rest
    // filled with the line's median colour up to Width, or to whole steps if longer.
    static cv::Mat input(const cv::Mat &line);

private:
    cv::dnn::Net m_net;
};
