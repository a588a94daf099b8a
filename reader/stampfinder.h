// Finds the stamp in a photo: on two small copies, an ink map (dark, thin strokes
// in any colour channel against the shell), merged into blobs; the text lines
// of each blob by the angle at which its ink falls into the sharpest rows.
// Gives a handful of candidates, the inkiest first, in the photo's coordinates,
// then a couple of fainter ones whose ink is broken up along a line as print is.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

struct LineBox
{
    cv::Point2f centre;
    float length = 0; // along the text
    float height = 0; // of the ink band across it
    float angle = 0; // direction of the text in degrees, up to a half turn
};

struct StampCandidate
{
    std::vector<LineBox> lines; // in order across the text
    double ink = 0;
    // The ink again when some line of it falls into as many pieces as a code
    // has characters (an egg's rim or a shadow falls into one or two); else 0.
    double printInk = 0;
};

class StampFinder
{
public:
    static constexpr int SmallSide = 1024, CoarseSide = 400;
    static constexpr int MaxCandidates = 5;
    // Fainter candidates that look like print, read after the inkiest.
    static constexpr int MaxPrintCandidates = 2;
    static constexpr int MaxLines = 4;

    // rgb: CV_8UC3.
    std::vector<StampCandidate> find(const cv::Mat &rgb) const;

private:
    // The candidates in one copy, in its coordinates.
    static std::vector<StampCandidate> candidatesIn(const cv::Mat &small);
};
