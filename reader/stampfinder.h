// Finds the stamp in a photo: on two small copies, an ink map (dark, thin strokes
// in any colour channel against the shell), merged into blobs; the text lines
// of each blob by the angle at which its ink falls into the sharpest rows.
// Gives a handful of candidates, the inkiest first, in the photo's coordinates,
// then a couple of fainter ones whose ink is broken up along a line as print is.
// On request, a couple more such ones from a fainter ink map, or from one
// averaged over dots.
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
    // How strongly the reader sharpens the lines it cuts (unsharp masking), and
    // evens out their lightness along the line (CLAHE's clip limit); the finder sets neither.
    float sharpen = 0;
    float equalise = 0;
};

class StampFinder
{
public:
    static constexpr int SmallSide = 1024, CoarseSide = 400;
    static constexpr int MaxCandidates = 5;
    // Fainter candidates that look like print, read after the inkiest.
    static constexpr int MaxPrintCandidates = 2;
    static constexpr int MaxLines = 4;

    // Print fainter than the ink map's threshold, which a textured background
    // or many speckled eggs may raise: on the first copy, the candidates of
    // an ink map at this share of it that break up along a line as print does.
    static constexpr double FaintShare = 0.65;

    // rgb: CV_8UC3.
    std::vector<StampCandidate> find(const cv::Mat &rgb) const;
    // Up to MaxPrintCandidates faint ones, the likeliest first.
    std::vector<StampCandidate> findFaint(const cv::Mat &rgb) const;

    // Big print set with wide blanks falls into a blob for each word, and a
    // word of two or three characters may seem to run across its strokes:
    // on a copy this coarse the words merge, and the stamp's angle is the
    // whole's. Its inkiest candidates, up to MaxSpreadCandidates.
    static constexpr int CoarsestSide = 200, MaxSpreadCandidates = 2;
    std::vector<StampCandidate> findSpread(const cv::Mat &rgb) const;

    // Dots printed apart are specks no bigger than a speckled shell's own, and
    // faint ones fall under the ink map's threshold: on the first copy, an ink
    // map averaged over a few dots, whose threshold stands DotSpread times its
    // spread (the 50th to the 90th percentile) above its median. Up to
    // MaxPrintCandidates of its inkiest candidates.
    static constexpr double DotSigma = 2.5, DotSpread = 3;
    std::vector<StampCandidate> findDotted(const cv::Mat &rgb) const;

private:
    // The candidates in one copy, in its coordinates, with an ink map at
    // thresholdShare of its threshold; averaged over dots when dotted.
    static std::vector<StampCandidate> candidatesIn(
        const cv::Mat &small, double thresholdShare = 1, bool dotted = false);
    // The same on a copy of rgb scaled down to side pixels, in the photo's coordinates.
    static std::vector<StampCandidate> candidatesAt(
        const cv::Mat &rgb, int side, double thresholdShare = 1, bool dotted = false);
    // image scaled down (never up) to side pixels on its longer side.
    static cv::Mat shrunk(const cv::Mat &image, int side);
    // From a copy's coordinates to the photo's.
    static void scaleBack(StampCandidate &candidate, double back);
};
