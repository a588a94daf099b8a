// Cuts one text line out of the photo, turned level (or upside down) and
// resampled to at most Height pixels high, with margins around the text as the
// recogniser was trained on.
#pragma once

#include "stampfinder.h"

class Straightener
{
public:
    static constexpr int Height = 96;
    // The text's share of the crop's height, and the margin at each end in text heights.
    static constexpr float TextShare = 0.65f;
    static constexpr float EndMargin = 0.4f;

    // rgb: CV_8UC3; turned by half a turn when upsideDown.
    static cv::Mat straighten(
        const cv::Mat &rgb, const LineBox &line, bool upsideDown, float textShare = TextShare);
};
