#include "stampfinder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <opencv2/imgproc.hpp>
#include <optional>

namespace {

constexpr float Pi = 3.14159265f;
constexpr double MinInk = 14, TextureFactor = 2, PrintShare = 0.3, DotScale = 4;
constexpr int TextureTile = 64; // pixels of the copy a side
// A band of ink across the text rises above this share of the inkiest row, and
// ends where it falls under this share of its own.
constexpr float BandFloor = 0.08f, BandEdge = 0.25f;
// A piece of print along a line holds this share of the inkiest step's ink;
// a line of print has at least MinPieces of them, and FullPieces count fully.
constexpr float PieceShare = 0.15f;
constexpr int MinPieces = 6, FullPieces = 8;

struct InkPoint
{
    cv::Point2f at;
    float weight;
};

// Ink falls into sharp rows across the text when projected at the text's angle.
// Shared, each point falls into its two nearest rows by its distance to them:
// binned whole, the pixel grid's diagonals fall into rows unevenly, which makes
// any blob seem sharpest at 45 degrees.
std::vector<float> profile(
    const std::vector<InkPoint> &ink, float radians, float &origin, bool shared = false)
{
    const cv::Point2f normal(-std::sin(radians), std::cos(radians));
    origin = 1e9f;
    float end = -1e9f;
    for (const InkPoint &p : ink) {
        const float v = p.at.dot(normal);
        origin = std::min(origin, v);
        end = std::max(end, v);
    }
    std::vector<float> rows(std::size_t(end - origin) + 2, 0.0f);
    for (const InkPoint &p : ink) {
        const float v = p.at.dot(normal) - origin;
        const auto row = std::size_t(v);
        const float share = shared ? v - float(row) : 0;
        rows[row] += p.weight * (1 - share);
        rows[row + 1] += p.weight * share;
    }
    return rows;
}

double sharpness(const std::vector<float> &rows)
{
    return std::inner_product(rows.begin(), rows.end(), rows.begin(), 0.0);
}

// How deep a valley between two lines must be: under this share of the lower
// peak beside it, and each side at least this share of the band's rows.
struct Valley
{
    float depth;
    float sideShare;
};
// Lines set well apart; lines set close, whose valley the blur fills in.
constexpr Valley Deep {0.45f, 0}, Shallow {0.8f, 0.3f};
// Bands parted only where the ink gives out.
constexpr Valley Unparted {0, 0};

// The rows' bands of ink, split at valleys between two lines.
std::vector<std::pair<int, int>> bands(const std::vector<float> &rows, const Valley &valley)
{
    std::vector<float> smooth;
    smooth.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        smooth.push_back(
            (rows[i] + (i > 0 ? rows[i - 1] : 0) + (i + 1 < rows.size() ? rows[i + 1] : 0)) / 3);
    float top = 0;
    for (const float v : smooth)
        top = std::max(top, v);
    std::vector<std::pair<int, int>> found;
    const int n = int(smooth.size());
    for (int i = 0; i < n;) {
        if (smooth[std::size_t(i)] <= BandFloor * top) {
            ++i;
            continue;
        }
        int j = i;
        while (j < n && smooth[std::size_t(j)] > BandFloor * top)
            ++j;
        // A valley deep enough under the lower of the peaks on its two sides parts two lines.
        int start = i;
        const int side = std::max(3, int(valley.sideShare * float(j - i)));
        for (int k = i + 2; k < j - 2; ++k) {
            const float v = smooth[std::size_t(k)];
            if (v > smooth[std::size_t(k - 1)] || v > smooth[std::size_t(k + 1)])
                continue;
            const float left = *std::max_element(smooth.begin() + start, smooth.begin() + k);
            const float right = *std::max_element(smooth.begin() + k, smooth.begin() + j);
            if (v < valley.depth * std::min(left, right) && k - start >= side && j - k >= side) {
                found.emplace_back(start, k);
                start = k;
            }
        }
        found.emplace_back(start, j);
        i = j;
    }
    // Each band without the faint rows at its edges: a short line's band is
    // faint beside a long line's, but not beside its own peak. Faint rows at
    // least half as many as the band's own are such a short line, set close.
    std::vector<std::pair<int, int>> edges;
    for (auto &[a, b] : found) {
        const float peak = *std::max_element(smooth.begin() + a, smooth.begin() + b);
        const int a0 = a, b0 = b;
        while (a < b && smooth[std::size_t(a)] < BandEdge * peak)
            ++a;
        while (b > a && smooth[std::size_t(b - 1)] < BandEdge * peak)
            --b;
        if (2 * (a - a0) >= b - a)
            edges.emplace_back(a0, a);
        if (2 * (b0 - b) >= b - a)
            edges.emplace_back(b, b0);
    }
    found.insert(found.end(), edges.begin(), edges.end());
    std::sort(found.begin(), found.end());
    return found;
}

// Where a line's text lies along it: the inkiest run of densely inked stretches,
// bridging the gaps between words. Sparse ink (an egg's rim, speckles) is left out.
std::pair<float, float> extent(const std::vector<float> &along, float height)
{
    const auto [lo, hi] = std::minmax_element(along.begin(), along.end());
    const float bin = std::max(1.0f, height / 4);
    std::vector<int> counts(std::size_t((*hi - *lo) / bin) + 1, 0);
    for (const float u : along)
        ++counts[std::size_t((u - *lo) / bin)];
    const int dense = std::max(1, *std::max_element(counts.begin(), counts.end()) * 15 / 100);
    const int bridge = int(1.5f * height / bin) + 1;
    int bestMass = 0, bestFrom = 0, bestTo = 0;
    for (int i = 0, n = int(counts.size()); i < n;) {
        if (counts[std::size_t(i)] < dense) {
            ++i;
            continue;
        }
        int j = i, last = i, mass = 0;
        for (; j < n && j - last <= bridge; ++j)
            if (counts[std::size_t(j)] >= dense) {
                mass += counts[std::size_t(j)];
                last = j;
            }
        if (mass > bestMass) {
            bestMass = mass;
            bestFrom = i;
            bestTo = last + 1;
        }
        i = last + 1;
    }
    return {*lo + float(bestFrom) * bin, *lo + float(bestTo) * bin};
}

// The pieces of ink along a line, counted in steps of a sixth of its height:
// characters make several, a rim or a shadow one or two.
int pieces(const std::vector<InkPoint> &ink, const LineBox &line)
{
    const float radians = line.angle * Pi / 180;
    const cv::Point2f dir(std::cos(radians), std::sin(radians)), normal(-dir.y, dir.x);
    const float step = std::max(1.0f, line.height / 6);
    std::vector<float> along(std::size_t(line.length / step) + 1, 0.0f);
    for (const InkPoint &p : ink) {
        const cv::Point2f offset = p.at - line.centre;
        const float u = offset.dot(dir) + line.length / 2;
        if (u >= 0 && u < line.length && std::fabs(offset.dot(normal)) <= line.height / 2)
            along[std::size_t(u / step)] += p.weight;
    }
    const float top = *std::max_element(along.begin(), along.end());
    int count = 0;
    bool inked = false;
    for (const float v : along) {
        const bool now = v > PieceShare * top;
        count += now && !inked;
        inked = now;
    }
    return count;
}

// Joins b into a when both are pieces of one line: the same angle, in line
// across, and no more than a few text heights apart along it.
bool joined(LineBox &a, const LineBox &b)
{
    float turn = std::fmod(std::fabs(a.angle - b.angle), 180.0f);
    turn = std::min(turn, 180.0f - turn);
    const float height = std::max(a.height, b.height);
    const float radians = a.angle * Pi / 180;
    const cv::Point2f dir(std::cos(radians), std::sin(radians)), normal(-dir.y, dir.x);
    const cv::Point2f offset = b.centre - a.centre;
    const float along = offset.dot(dir), across = offset.dot(normal);
    if (turn > 8 || std::fabs(across) > 0.6f * height
        || std::fabs(along) - (a.length + b.length) / 2 > 3 * height
        || std::max(a.height, b.height) > 2 * std::min(a.height, b.height))
        return false;
    const float lo = std::min(-a.length / 2, along - b.length / 2);
    const float hi = std::max(a.length / 2, along + b.length / 2);
    const float share = b.length / (a.length + b.length);
    a.centre += dir * ((lo + hi) / 2) + normal * (across * share);
    a.length = hi - lo;
    a.height = height;
    return true;
}

// The candidate with one of its lines drawn out over a piece that lies on the
// line's axis past one of its ends: a lone "1" or "IT" set apart by wide
// blanks. The piece's own angle does not count: a few letters on their own
// may seem to run across their strokes.
std::optional<StampCandidate> extended(const StampCandidate &candidate, const StampCandidate &piece)
{
    for (std::size_t k = 0; k < candidate.lines.size(); ++k) {
        const LineBox &line = candidate.lines[k];
        const float radians = line.angle * Pi / 180, height = line.height;
        const cv::Point2f dir(std::cos(radians), std::sin(radians)), normal(-dir.y, dir.x);
        // The piece's extent along the line and across it.
        float lo = 1e9f, hi = -1e9f, top = 1e9f, bottom = -1e9f;
        for (const LineBox &p : piece.lines) {
            cv::Point2f corners[4];
            cv::RotatedRect(p.centre, cv::Size2f(p.length, p.height), p.angle).points(corners);
            for (const cv::Point2f &corner : corners) {
                const cv::Point2f offset = corner - line.centre;
                lo = std::min(lo, offset.dot(dir));
                hi = std::max(hi, offset.dot(dir));
                top = std::min(top, offset.dot(normal));
                bottom = std::max(bottom, offset.dot(normal));
            }
        }
        const float half = line.length / 2;
        if (std::fabs(top + bottom) / 2 > 0.6f * height || bottom - top > 2.5f * height
            || hi - lo > line.length)
            continue;
        const float gap = lo > half - height / 2 ? lo - half
            : hi < height / 2 - half             ? -half - hi
                                                 : 1e9f;
        if (gap > 3 * height)
            continue;
        StampCandidate out = candidate;
        LineBox &grown = out.lines[k];
        const float from = std::min(-half, lo), to = std::max(half, hi);
        grown.centre += dir * ((from + to) / 2);
        grown.length = to - from;
        out.ink += piece.ink;
        out.printInk += piece.printInk;
        return out;
    }
    return std::nullopt;
}

// The candidate with the line added, when it lies just above or below one of
// its lines, along the same stretch; a short line takes the stamp's angle.
std::optional<StampCandidate> stacked(const StampCandidate &candidate, LineBox line)
{
    const LineBox &longest = *std::max_element(candidate.lines.begin(), candidate.lines.end(),
        [](const LineBox &a, const LineBox &b) { return a.length < b.length; });
    float turn = std::fmod(std::fabs(longest.angle - line.angle), 180.0f);
    turn = std::min(turn, 180.0f - turn);
    const bool square = line.length < 3 * line.height;
    if (turn > 10 && !square)
        return std::nullopt;
    if (turn > 45) // measured across: its length is the text's height
        std::swap(line.length, line.height);
    line.angle = longest.angle;
    const float radians = longest.angle * Pi / 180;
    const cv::Point2f dir(std::cos(radians), std::sin(radians)), normal(-dir.y, dir.x);
    for (const LineBox &other : candidate.lines) {
        const cv::Point2f offset = line.centre - other.centre;
        const float across = std::fabs(offset.dot(normal)), along = std::fabs(offset.dot(dir));
        const float height = std::max(other.height, line.height);
        if (across > 0.7f * height && across < 3 * height
            && along < (other.length + line.length) / 2 && line.height < 2 * other.height
            && other.height < 2 * line.height) {
            StampCandidate both = candidate;
            both.lines.push_back(line);
            std::sort(
                both.lines.begin(), both.lines.end(), [&](const LineBox &a, const LineBox &b) {
                    return a.centre.dot(normal) < b.centre.dot(normal);
                });
            both.ink = candidate.ink * 1.5;
            both.printInk = candidate.printInk * 1.5;
            return both;
        }
    }
    return std::nullopt;
}

// The ink projected across the text at the angle where it falls into the sharpest rows.
struct Across
{
    float degrees;
    std::vector<float> rows;
    float origin = 0;
};

Across textAngle(const std::vector<InkPoint> &ink)
{
    float origin = 0, bestAngle = 0;
    double best = -1;
    const auto tryAngle = [&](float degrees) {
        const double s = sharpness(profile(ink, degrees * Pi / 180, origin, true));
        if (s > best) {
            best = s;
            bestAngle = degrees;
        }
    };
    for (float a = 0; a < 180; a += 3)
        tryAngle(a);
    const float coarse = bestAngle;
    for (float a = coarse - 2.5f; a <= coarse + 2.5f; a += 0.5f)
        tryAngle(a);
    Across across {bestAngle, {}};
    across.rows = profile(ink, bestAngle * Pi / 180, across.origin);
    return across;
}

// The text lines: the bands of ink across it, parted at valleys so deep.
std::vector<LineBox> linesOf(
    const std::vector<InkPoint> &ink, const Across &across, const Valley &valley)
{
    const auto &[degrees, rows, origin] = across;
    const float radians = degrees * Pi / 180;
    const cv::Point2f dir(std::cos(radians), std::sin(radians)), normal(-dir.y, dir.x);

    std::vector<LineBox> lines;
    for (const auto &[a, b] : bands(rows, valley)) {
        const float height = float(b - a);
        std::vector<float> along;
        for (const InkPoint &p : ink) {
            const float v = p.at.dot(normal) - origin;
            if (v >= float(a) && v < float(b))
                along.push_back(p.at.dot(dir));
        }
        if (along.size() < 20 || height < 3)
            continue;
        const auto [u0, u1] = extent(along, height);
        if (u1 - u0 < height)
            continue;
        const float u = (u0 + u1) / 2, v = origin + float(a + b) / 2;
        lines.push_back({dir * u + normal * v, u1 - u0, height, degrees});
    }
    // The longest lines, still in their order across the text.
    while (lines.size() > std::size_t(StampFinder::MaxLines))
        lines.erase(std::min_element(lines.begin(), lines.end(),
            [](const LineBox &x, const LineBox &y) { return x.length < y.length; }));
    return lines;
}

// Orders candidates by one of their measures, the greatest first.
auto greatest(double StampCandidate::*measure)
{
    return [measure](const StampCandidate &a, const StampCandidate &b) {
        return a.*measure > b.*measure;
    };
}

// The count candidates greatest by measure.
std::vector<StampCandidate> likeliest(
    std::vector<StampCandidate> candidates, double StampCandidate::*measure, int count)
{
    std::sort(candidates.begin(), candidates.end(), greatest(measure));
    if (candidates.size() > std::size_t(count))
        candidates.resize(std::size_t(count));
    return candidates;
}

} // namespace

cv::Mat StampFinder::shrunk(const cv::Mat &image, int side)
{
    const double scale = double(side) / std::max(image.cols, image.rows);
    if (scale >= 1)
        return image;
    // A thin strip of a picture keeps at least one pixel across.
    cv::Mat small;
    cv::resize(image, small,
        cv::Size(std::max(1, int(image.cols * scale)), std::max(1, int(image.rows * scale))), 0, 0,
        cv::INTER_AREA);
    return small;
}

void StampFinder::scaleBack(StampCandidate &candidate, double back)
{
    for (LineBox &line : candidate.lines) {
        line.centre *= float(back);
        line.length *= float(back);
        line.height *= float(back);
    }
    candidate.ink *= back * back;
    candidate.printInk *= back * back;
}

std::vector<StampCandidate> StampFinder::find(const cv::Mat &rgb) const
{
    // Small print on the first copy; print too bold for its ink map on the second.
    std::vector<StampCandidate> candidates;
    cv::Mat small = rgb;
    for (const int side : {SmallSide, CoarseSide}) {
        small = shrunk(small, side);
        for (StampCandidate &candidate : candidatesIn(small)) {
            scaleBack(candidate, double(rgb.cols) / small.cols);
            candidates.push_back(std::move(candidate));
        }
    }
    // A line with wide gaps may fall into several blobs: pieces in line join up.
    for (std::size_t i = 0; i < candidates.size(); ++i)
        for (std::size_t j = i + 1; j < candidates.size(); ++j)
            if (candidates[i].lines.size() == 1 && candidates[j].lines.size() == 1
                && joined(candidates[i].lines[0], candidates[j].lines[0])) {
                candidates[i].ink += candidates[j].ink;
                candidates[i].printInk += candidates[j].printInk;
                candidates.erase(candidates.begin() + std::ptrdiff_t(j));
                j = i;
            }
    // Pieces of a line that fall apart at wide blanks: each candidate drawn
    // out over the lesser ones on its lines' axes joins the candidates.
    for (std::size_t i = 0, n = candidates.size(); i < n; ++i) {
        std::optional<StampCandidate> grown;
        for (std::size_t j = 0; j < n; ++j)
            if (j != i && candidates[j].ink < candidates[i].ink)
                if (std::optional<StampCandidate> more
                    = extended(grown ? *grown : candidates[i], candidates[j]))
                    grown = std::move(more);
        if (grown)
            candidates.push_back(std::move(*grown));
    }
    // A short line ("1 IT") may stand apart from the rest of its stamp: a line
    // just above or below another candidate's lines joins them as a new candidate.
    const std::size_t count = candidates.size();
    for (std::size_t i = 0; i < count; ++i)
        for (std::size_t j = 0; j < count; ++j)
            if (i != j && candidates[j].lines.size() == 1
                && candidates[i].lines.size() < std::size_t(MaxLines))
                if (std::optional<StampCandidate> both
                    = stacked(candidates[i], candidates[j].lines[0]))
                    candidates.push_back(std::move(*both));
    std::sort(candidates.begin(), candidates.end(), greatest(&StampCandidate::ink));
    // Small print among eggs' rims and shadows: the likeliest of the rest follow.
    if (candidates.size() > std::size_t(MaxCandidates)) {
        const auto rest = candidates.begin() + MaxCandidates;
        std::sort(rest, candidates.end(), greatest(&StampCandidate::printInk));
        std::size_t keep = MaxCandidates;
        while (keep < candidates.size() && keep < std::size_t(MaxCandidates + MaxPrintCandidates)
            && candidates[keep].printInk > 0)
            ++keep;
        candidates.resize(keep);
    }
    return candidates;
}

std::vector<StampCandidate> StampFinder::findFaint(const cv::Mat &rgb) const
{
    std::vector<StampCandidate> faint = candidatesAt(rgb, SmallSide, FaintShare);
    std::erase_if(faint, [](const StampCandidate &c) { return c.printInk <= 0; });
    return likeliest(std::move(faint), &StampCandidate::printInk, MaxPrintCandidates);
}

std::vector<StampCandidate> StampFinder::findSpread(const cv::Mat &rgb) const
{
    return likeliest(candidatesAt(rgb, CoarsestSide), &StampCandidate::ink, MaxSpreadCandidates);
}

std::vector<StampCandidate> StampFinder::findDotted(const cv::Mat &rgb) const
{
    return likeliest(
        candidatesAt(rgb, SmallSide, 1, true), &StampCandidate::ink, MaxPrintCandidates);
}

std::vector<StampCandidate> StampFinder::candidatesAt(
    const cv::Mat &rgb, int side, double thresholdShare, bool dotted)
{
    const cv::Mat small = shrunk(rgb, side);
    std::vector<StampCandidate> candidates = candidatesIn(small, thresholdShare, dotted);
    for (StampCandidate &candidate : candidates)
        scaleBack(candidate, double(rgb.cols) / small.cols);
    return candidates;
}

std::vector<StampCandidate> StampFinder::candidatesIn(
    const cv::Mat &small, double thresholdShare, bool dotted)
{
    // Ink: what a closing takes away, in the channel where the ink is darkest.
    const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(15, 15));
    std::vector<cv::Mat> channels;
    cv::split(small, channels);
    cv::Mat ink;
    for (const cv::Mat &channel : channels) {
        cv::Mat hat;
        cv::morphologyEx(channel, hat, cv::MORPH_BLACKHAT, kernel);
        ink = ink.empty() ? hat : cv::max(ink, hat);
    }
    cv::GaussianBlur(ink, ink, cv::Size(3, 3), 0);
    if (dotted) { // at DotScale times the ink: averaged, faint print would keep few shades
        cv::Mat averaged;
        ink.convertTo(averaged, CV_32F);
        cv::GaussianBlur(averaged, averaged, cv::Size(), DotSigma);
        averaged.convertTo(ink, CV_8U, DotScale);
    }
    // The shares of a picture's values: a histogram, counted once.
    const auto percentiles = [](const cv::Mat &values) {
        std::array<std::size_t, 256> histogram {};
        for (int y = 0; y < values.rows; ++y)
            for (const uchar *v = values.ptr<uchar>(y), *end = v + values.cols; v < end; ++v)
                ++histogram[*v];
        return [histogram, total = double(values.total())](double share) {
            std::size_t below = 0;
            for (int v = 0; v < 256; ++v)
                if (double(below += histogram[std::size_t(v)]) >= share * total)
                    return double(v);
            return 255.0;
        };
    };
    // Ink stands out from the shell's texture (the 90th percentile) and is
    // within reach of the darkest print (the 99.9th). Averaged, the texture
    // is smooth, and ink stands out from its spread about the median.
    const auto textureOf = [dotted](const auto &share) {
        return dotted ? share(0.5) + DotSpread * (share(0.9) - share(0.5))
                      : TextureFactor * share(0.9) + 4;
    };
    const auto ofAll = percentiles(ink);
    const double texture = textureOf(ofAll);
    const double least = std::max(MinInk, PrintShare * ofAll(0.999));
    // A wood grain or a checked cloth around the eggs is no texture of the
    // shell: where a tile is smoother than the whole, its own texture counts.
    const int wide = std::max(1, (ink.cols + TextureTile / 2) / TextureTile);
    const int high = std::max(1, (ink.rows + TextureTile / 2) / TextureTile);
    cv::Mat tiles(high, wide, CV_32F);
    for (int ty = 0; ty < high; ++ty)
        for (int tx = 0; tx < wide; ++tx) {
            const cv::Range rows(ty * ink.rows / high, (ty + 1) * ink.rows / high);
            const cv::Range cols(tx * ink.cols / wide, (tx + 1) * ink.cols / wide);
            const double own = textureOf(percentiles(ink(rows, cols)));
            tiles.at<float>(ty, tx)
                = float(thresholdShare * std::max(least, std::min(texture, own)));
        }
    cv::Mat threshold, inkF;
    cv::resize(tiles, threshold, ink.size(), 0, 0, cv::INTER_LINEAR);
    ink.convertTo(inkF, CV_32F);
    const cv::Mat mask = inkF > threshold;

    cv::Mat merged;
    cv::dilate(mask, merged, cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(9, 9)));
    cv::morphologyEx(merged, merged, cv::MORPH_CLOSE,
        cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(21, 21)));
    cv::Mat labels, stats, centroids;
    const int count = cv::connectedComponentsWithStats(merged, labels, stats, centroids, 8, CV_32S);

    std::vector<std::vector<InkPoint>> blobs(static_cast<std::size_t>(count));
    std::vector<double> weight(static_cast<std::size_t>(count), 0.0);
    for (int y = 0; y < small.rows; ++y) {
        const int *label = labels.ptr<int>(y);
        const uchar *m = mask.ptr<uchar>(y), *v = ink.ptr<uchar>(y);
        for (int x = 0; x < small.cols; ++x)
            if (m[x] && label[x] > 0) {
                blobs[std::size_t(label[x])].push_back(
                    {cv::Point2f(float(x), float(y)), float(v[x])});
                weight[std::size_t(label[x])] += v[x];
            }
    }
    std::vector<int> order;
    for (int i = 1; i < count; ++i) {
        const int area = stats.at<int>(i, cv::CC_STAT_AREA);
        if (area < 150 || blobs[std::size_t(i)].size() < 60)
            continue;
        // Sparse ink over a large area is speckle, not print.
        weight[std::size_t(i)] *= std::min(1.0, 4.0 * double(blobs[std::size_t(i)].size()) / area);
        order.push_back(i);
    }
    std::sort(order.begin(), order.end(),
        [&](int a, int b) { return weight[std::size_t(a)] > weight[std::size_t(b)]; });
    if (order.size() > std::size_t(MaxCandidates))
        order.resize(MaxCandidates);

    std::vector<StampCandidate> candidates;
    for (int i : order) {
        const std::vector<InkPoint> &blob = blobs[std::size_t(i)];
        const Across across = textAngle(blob);
        StampCandidate candidate {linesOf(blob, across, Deep), weight[std::size_t(i)]};
        int most = 0;
        for (const LineBox &line : candidate.lines)
            most = std::max(most, pieces(blob, line));
        if (most >= MinPieces)
            candidate.printInk = candidate.ink * std::min(1.0, double(most) / FullPieces);
        if (candidate.lines.empty())
            continue;
        // The blob's bands parted otherwise follow as candidates just after it:
        // two lines set close may blur into one band, parted at shallower
        // valleys; big, sparse dots may fall apart at their rows, unparted.
        const auto partedAt = [&](const Valley &valley, double share) {
            return StampCandidate {
                linesOf(blob, across, valley), candidate.ink * share, candidate.printInk * share};
        };
        const std::size_t parted = candidate.lines.size();
        StampCandidate close = partedAt(Shallow, 0.999);
        std::optional<StampCandidate> whole;
        if (parted > 1)
            whole = partedAt(Unparted, 0.998);
        candidates.push_back(std::move(candidate));
        if (close.lines.size() > parted)
            candidates.push_back(std::move(close));
        if (whole && !whole->lines.empty() && whole->lines.size() < parted)
            candidates.push_back(std::move(*whole));
    }
    return candidates;
}
