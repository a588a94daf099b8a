// The recogniser: a small CNN with CTC, trained on generated photos
// (scripts/train-reader.py), run by OpenCV's dnn module from one of the
// networks in data/ (8-bit weights), built into the program as Qt resources.
#pragma once

#include <iterator>
#include <opencv2/core.hpp>
#include <opencv2/dnn.hpp>
#include <vector>

class Recogniser
{
public:
    // The network's input: Height rows and one of Widths columns, the
    // narrowest that leaves at least FillMargin of fill after the line; one
    // step of output for each StepWidth columns. Each width has a copy of the
    // network of its own: OpenCV sets a network up afresh whenever its input
    // changes shape, which costs about as much as reading a line.
    static constexpr int Height = 32, StepWidth = 4, FillMargin = 24;
    static constexpr int Widths[] = {128, 224, 320};
    static constexpr int Width = Widths[std::size(Widths) - 1];

    explicit Recogniser(const char *resource); // loads a built-in network
    bool isReady() const { return !m_nets.empty(); }

    // A straightened line (CV_8UC3, RGB) to log-probabilities, CodeSearch::Classes
    // for each StepWidth pixels of input.
    std::vector<float> recognise(const cv::Mat &line);

    // The line as the network sees it: scaled to Height, at the left, the rest
    // filled with the line's median colour up to one of Widths, or to whole
    // steps if longer than Width, then read in windows of Width.
    static cv::Mat input(const cv::Mat &line);
    // The columns of input a line of this size is read in, over all its
    // windows: what reading it costs.
    static int columns(cv::Size line);

private:
    std::vector<cv::dnn::Net> m_nets; // one for each of Widths
};
