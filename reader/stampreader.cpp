#include "stampreader.h"

#include "straightener.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <map>
#include <numeric>
#include <opencv2/imgproc.hpp>
#include <set>
#include <system_error>
#include <tuple>

namespace {

// A code that has no path in some cut counts as falling this far short there.
constexpr float NoPath = -20.0f;

// The candidates with each of their lines changed.
template<typename Change>
std::vector<StampCandidate> changed(std::vector<StampCandidate> candidates, Change change)
{
    for (StampCandidate &candidate : candidates)
        for (LineBox &line : candidate.lines)
            change(line);
    return candidates;
}

// The candidates with their cuts to be treated so (sharpened or equalised) by this much.
std::vector<StampCandidate> treated(
    std::vector<StampCandidate> candidates, float StampCandidate::*treatment, float amount)
{
    for (StampCandidate &candidate : candidates)
        candidate.*treatment = amount;
    return candidates;
}

// Unsharp masking at a radius given in pixels of the network's input.
void sharpen(cv::Mat &cut, float amount, float radius)
{
    cv::Mat soft;
    cv::GaussianBlur(cut, soft, cv::Size(), double(radius) * cut.rows / Recogniser::Height);
    cv::addWeighted(cut, 1.0 + double(amount), soft, -double(amount), 0, cut);
}

// CLAHE on the lightness alone, so that the ink keeps its hue; one row of
// tiles along the line, each about as wide as the cut is high.
void equalise(cv::Mat &cut, float clip)
{
    cv::Mat lab;
    cv::cvtColor(cut, lab, cv::COLOR_RGB2Lab);
    std::vector<cv::Mat> channels;
    cv::split(lab, channels);
    const int tiles = std::max(1, int(std::lround(double(cut.cols) / cut.rows)));
    cv::createCLAHE(double(clip), cv::Size(tiles, 1))->apply(channels[0], channels[0]);
    cv::merge(channels, lab);
    cv::cvtColor(lab, cut, cv::COLOR_Lab2RGB);
}

} // namespace

StampReader::StampReader(const KnownCodes &known) : m_search(known)
{
    for (const char *resource : Networks)
        m_networks.emplace_back(resource);
}

bool StampReader::isReady() const
{
    return std::all_of(m_networks.begin(), m_networks.end(),
        [](const Recogniser &network) { return network.isReady(); });
}

std::vector<StampReader::Cut> StampReader::readCut(const cv::Mat &rgb,
    const StampCandidate &candidate, const Variant &variant, int upright,
    std::span<Recogniser> networks)
{
    std::vector<Cut> cuts(networks.size());
    for (const bool upsideDown : {false, true}) {
        if (upright >= 0 && upsideDown != (upright == 0))
            continue;
        // Upside down, the last line across is read first.
        std::vector<cv::Mat> straightened;
        for (LineBox line : candidate.lines) {
            line.angle += variant.turn;
            straightened.push_back(
                Straightener::straighten(rgb, line, upsideDown, variant.textShare));
            if (candidate.sharpen > 0)
                sharpen(straightened.back(), candidate.sharpen, SharpenRadius);
            if (candidate.equalise > 0)
                equalise(straightened.back(), candidate.equalise);
        }
        if (upsideDown)
            std::reverse(straightened.begin(), straightened.end());
        std::size_t columns = 0;
        for (const cv::Mat &line : straightened)
            columns += networks.size() * std::size_t(Recogniser::columns(line.size()));
        if (m_columns + columns > MaxColumns) {
            m_cutShort = true;
            return cuts;
        }
        m_columns += columns;
        // Each network reads on a thread of its own: they share nothing but the lines.
        const auto readWith = [&](std::size_t k) {
            std::vector<std::vector<float>> lines;
            for (const cv::Mat &line : straightened)
                lines.push_back(networks[k].recognise(line));
            // Lines that spell nothing (slivers) are left out; a line, or two
            // joined, that spells far fewer characters than a code has no code.
            std::vector<std::pair<int, const std::vector<float> *>> spelt;
            for (const std::vector<float> &line : lines)
                if (const int n = CodeSearch::characters(line); n > 0)
                    spelt.emplace_back(n, &line);
            const auto search = [&](std::vector<float> logProbs) {
                Reading reading {std::move(logProbs), {}, std::nullopt, upsideDown ? 0 : 1};
                reading.steps = CodeSearch::steps(reading.logProbs);
                reading.match = m_search.search(reading.logProbs, reading.steps);
                cuts[k].push_back(std::move(reading));
            };
            // Two lines may have a stray mark read between them.
            for (std::size_t i = 0; i < spelt.size(); ++i) {
                if (spelt[i].first >= MinCharacters)
                    search(*spelt[i].second);
                for (std::size_t j = i + 1; j < spelt.size(); ++j)
                    if (spelt[i].first + spelt[j].first >= MinCharacters)
                        search(CodeSearch::join(*spelt[i].second, *spelt[j].second));
            }
        };
        std::vector<std::future<void>> others;
        for (std::size_t k = 1; k < networks.size(); ++k) {
            try {
                others.push_back(std::async(std::launch::async, readWith, k));
            } catch (const std::system_error &) { // no thread to be had: read here
                readWith(k);
            }
        }
        readWith(0);
        for (std::future<void> &other : others)
            other.get();
    }
    return cuts;
}

cv::Mat StampReader::rgbView(const QImage &photo)
{
    if (photo.isNull() || photo.format() != QImage::Format_RGB888)
        return {};
    return cv::Mat(photo.height(), photo.width(), CV_8UC3, const_cast<uchar *>(photo.constBits()),
        std::size_t(photo.bytesPerLine()));
}

std::optional<CodeMatch> StampReader::bestMatch(const QImage &photo, std::stop_token stop)
{
    const cv::Mat rgb = rgbView(photo);
    if (rgb.empty())
        return std::nullopt;
    m_stop = std::move(stop);
    m_columns = 0;
    m_cutShort = false;
    std::optional<CodeMatch> match = search(rgb);
    // What a read cut short found may rest on cuts it never read.
    if (stopped())
        match.reset();
    m_stop = {};
    return match;
}

std::optional<CodeMatch> StampReader::search(const cv::Mat &rgb)
{
    // The first cut of each candidate read so far.
    std::vector<Cut> cuts;
    // The runner-up: the reading's own, or a different code read elsewhere nearly as well.
    const auto withRunnerUp = [&](const Reading &first) {
        CodeMatch match = *first.match;
        float otherShortfall = match.runnerUp.empty() ? -NoPath : match.shortfall() + match.lead();
        for (const Cut &cut : cuts)
            for (const Reading &r : cut)
                if (r.match && r.match->code != match.code
                    && r.match->shortfall() < otherShortfall) {
                    otherShortfall = r.match->shortfall();
                    match.runnerUp = r.match->code;
                }
        if (!match.runnerUp.empty())
            match.runnerUpScore = match.score - (otherShortfall - match.shortfall());
        return match;
    };

    const std::vector<StampCandidate> candidates = m_finder.find(rgb);
    cuts.reserve(candidates.size());
    // The reading that fits its code best so far, and its candidate.
    const Reading *first = nullptr;
    std::size_t source = 0;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (stopped())
            return std::nullopt;
        cuts.push_back(plainCut(rgb, candidates[i]));
        for (const Reading &r : cuts.back())
            if (r.match && (!first || r.match->shortfall() < first->match->shortfall())) {
                first = &r;
                source = i;
            }
        // A code read this plainly needs no look at the other candidates.
        if (first && withRunnerUp(*first).clear() && first->match->shortfall() <= PlainShortfall)
            break;
    }
    if (!first) {
        // No code at all: a farming type or a country set far apart from the
        // rest may lie past the ends of every cut. Each candidate drawn out.
        const std::vector<StampCandidate> drawnOut = changed(
            candidates, [](LineBox &line) { line.length += 2 * StretchHeights * line.height; });
        std::optional<CodeMatch> match;
        if (clearIn(rgb, drawnOut, match))
            return match;
        return lookHarder(rgb, candidates, std::move(match));
    }

    std::optional<CodeMatch> match
        = confirmed(rgb, candidates[source], cuts[source], first->upright);
    if (match->clear())
        return match;
    // Not clear: the readings that stand out most on other candidates may
    // lie on cleaner cuts of the stamp.
    // Each other candidate's reading that leads most: its lead, candidate and way up.
    std::vector<std::tuple<float, std::size_t, int>> others;
    for (std::size_t i = 0; i < cuts.size(); ++i) {
        if (i == source)
            continue;
        if (const Reading *best = leading(cuts[i]))
            others.emplace_back(best->match->lead(), i, best->upright);
    }
    std::sort(others.begin(), others.end(), std::greater<>());
    for (std::size_t k = 0; k < others.size() && k < std::size_t(MaxOtherSources); ++k) {
        const auto [lead, i, upright] = others[k];
        if (stopped())
            return std::nullopt;
        if (keepClearer(match, confirmed(rgb, candidates[i], cuts[i], upright)))
            return match;
    }
    return lookHarder(rgb, candidates, std::move(match));
}

StampReader::Cut StampReader::plainCut(const cv::Mat &rgb, const StampCandidate &candidate)
{
    return std::move(readCut(rgb, candidate, Plain, -1, std::span(m_networks).first(1))[0]);
}

const StampReader::Reading *StampReader::leading(const Cut &cut)
{
    const Reading *best = nullptr;
    for (const Reading &r : cut)
        if (r.match && (!best || r.match->lead() > best->match->lead()))
            best = &r;
    return best && best->match->lead() >= MinOtherLead ? best : nullptr;
}

bool StampReader::keepClearer(std::optional<CodeMatch> &match, CodeMatch other, bool evenedOut)
{
    if (!match || other.lead() > match->lead())
        match = std::move(other);
    return match->clear()
        && (!evenedOut
            || (match->lead() >= EqualisedLead && match->shortfall() <= EqualisedShortfall));
}

bool StampReader::clearIn(const cv::Mat &rgb, const std::vector<StampCandidate> &candidates,
    std::optional<CodeMatch> &match, bool evenedOut)
{
    for (const StampCandidate &candidate : candidates) {
        if (stopped())
            return true;
        const Cut cut = plainCut(rgb, candidate);
        if (const Reading *best = leading(cut))
            if (keepClearer(match, confirmed(rgb, candidate, cut, best->upright), evenedOut))
                return true;
    }
    return false;
}

std::optional<CodeMatch> StampReader::lookHarder(const cv::Mat &rgb,
    const std::vector<StampCandidate> &candidates, std::optional<CodeMatch> match)
{
    // Lines whose letters the cuts clipped; then blurred print; then the print
    // the ink map may have left out, faint or in dots apart; then, when nothing
    // stands out even so, print whose words the finder took apart; last, print
    // left faint in part.
    if (clearIn(rgb, changed(candidates, [](LineBox &line) { line.height *= TallerBy; }), match)
        || clearIn(rgb, treated(candidates, &StampCandidate::sharpen, SharpenBy), match)
        || clearIn(rgb, m_finder.findFaint(rgb), match)
        || clearIn(rgb, m_finder.findDotted(rgb), match))
        return match;
    if ((!match || match->lead() < MinOtherLead) && clearIn(rgb, m_finder.findSpread(rgb), match))
        return match;
    std::optional<CodeMatch> evened; // kept apart: clear only by the equalised cuts' bar
    if (clearIn(rgb, treated(candidates, &StampCandidate::equalise, EqualiseClip), evened, true))
        return evened;
    return match;
}

CodeMatch StampReader::confirmed(
    const cv::Mat &rgb, const StampCandidate &candidate, const Cut &firstCut, int upright)
{
    // The candidate cut in other ways, the same way up, and
    // every cut read by every network: one cut can be surely wrong where
    // several seldom agree, and so can one network where two trained otherwise
    // seldom do. Each code's shortfall, at best over the readings of each
    // cut, is averaged over them all; the code must stand out in that average.
    std::vector<Cut> opinions {firstCut};
    const auto confirm = [&](const Variant &variant, std::span<Recogniser> networks) {
        for (Cut &cut : readCut(rgb, candidate, variant, upright, networks))
            opinions.push_back(std::move(cut));
    };
    confirm(Plain, std::span(m_networks).subspan(1)); // the first network's is read already
    for (const Variant &variant : SecondOpinions)
        if (!stopped())
            confirm(variant, m_networks);
    std::set<std::string> codes;
    for (const Cut &cut : opinions)
        for (const Reading &r : cut)
            if (r.match && r.upright == upright) {
                codes.insert(r.match->code);
                codes.insert(r.match->alternatives.begin(), r.match->alternatives.end());
            }
    std::vector<std::pair<float, std::string>> ranked;
    for (const std::string &code : codes) {
        float sum = 0;
        for (const Cut &cut : opinions) {
            float shortfall = NoPath;
            for (const Reading &r : cut)
                if (r.upright == upright)
                    if (const std::optional<float> s = m_search.score(r.logProbs, r.steps, code))
                        shortfall = std::max(shortfall, *s);
            sum += shortfall;
        }
        ranked.emplace_back(sum / float(opinions.size()), code);
    }
    std::sort(ranked.begin(), ranked.end(), std::greater<>());
    CodeMatch match;
    match.code = ranked[0].second;
    match.score = ranked[0].first;
    match.readings = int(opinions.size());
    if (ranked.size() > 1) {
        match.runnerUp = ranked[1].second;
        match.runnerUpScore = ranked[1].first;
    }
    return match;
}

std::optional<std::string> StampReader::read(const QImage &photo, std::stop_token stop)
{
    const std::optional<CodeMatch> match = bestMatch(photo, std::move(stop));
    if (match && match->clear())
        return match->code;
    return std::nullopt;
}
