#include "straightener.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

cv::Mat Straightener::straighten(
    const cv::Mat &rgb, const LineBox &line, bool upsideDown, float textShare)
{
    const double height = line.height / textShare;
    const double length = line.length + 2 * EndMargin * height;
    const int outHeight = int(std::clamp(height, 16.0, double(Height)));
    // Cut at about the photo's own resolution, then shrink by a whole factor without aliasing.
    const int factor = std::max(1, int(height / outHeight));
    const double k = double(outHeight * factor) / height; // cut pixels per photo pixel
    const int cutWidth = std::max(factor, int(length * k)), cutHeight = outHeight * factor;
    const double radians = (line.angle + (upsideDown ? 180.0 : 0.0)) * CV_PI / 180;
    const double c = std::cos(radians), s = std::sin(radians);
    // From the cut to the photo: the cut's centre sits on the line's centre.
    const cv::Matx23d toPhoto(c / k, -s / k,
        line.centre.x - (c * cutWidth - s * cutHeight) / (2 * k), s / k, c / k,
        line.centre.y - (s * cutWidth + c * cutHeight) / (2 * k));
    cv::Mat cut;
    cv::warpAffine(rgb, cut, toPhoto, cv::Size(cutWidth, cutHeight),
        cv::WARP_INVERSE_MAP | cv::INTER_LINEAR, cv::BORDER_REPLICATE);
    if (factor > 1)
        cv::resize(cut, cut, cv::Size(cutWidth / factor, outHeight), 0, 0, cv::INTER_AREA);
    return cut;
}
