#include "stampreader.h"

#include "straightener.h"

#include <algorithm>
#include <numeric>
#include <set>

StampReader::StampReader(const KnownCodes &known) : m_search(known) { }

std::optional<CodeMatch> StampReader::bestMatch(const QImage &photo)
{
    if (photo.isNull() || photo.format() != QImage::Format_RGB888)
        return std::nullopt;
    const cv::Mat rgb(photo.height(), photo.width(), CV_8UC3,
        const_cast<uchar *>(photo.constBits()), std::size_t(photo.bytesPerLine()));

    std::vector<CodeMatch> matches;
    // For each match: which reading it came from (a candidate, cut one way),
    // and which candidate.
    std::vector<int> cuts;
    std::vector<std::size_t> sources;
    int cut = 0;
    std::size_t source = 0;
    const auto search = [&](const std::vector<float> &logProbs) {
        if (std::optional<CodeMatch> match = m_search.search(logProbs)) {
            matches.push_back(std::move(*match));
            cuts.push_back(cut);
            sources.push_back(source);
        }
    };
    // The reading whose code fits its line best; a different code read
    // elsewhere nearly as well makes it less clear.
    const auto best = [&]() {
        std::vector<std::size_t> order(matches.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return matches[a].shortfall() < matches[b].shortfall();
        });
        CodeMatch first = matches[order.front()];
        std::set<int> agreeing;
        for (std::size_t i = 0; i < matches.size(); ++i)
            if (matches[i].code == first.code)
                agreeing.insert(cuts[i]);
        first.readings = int(agreeing.size());
        for (const std::size_t i : order)
            if (const CodeMatch &other = matches[i]; other.code != first.code) {
                const float otherScore = first.score - (other.shortfall() - first.shortfall());
                if (first.runnerUp.empty() || otherScore > first.runnerUpScore) {
                    first.runnerUp = other.code;
                    first.runnerUpScore = otherScore;
                }
                break;
            }
        return first;
    };
    const auto readCandidate = [&](const StampCandidate &candidate, float textShare) {
        for (const bool upsideDown : {false, true}) {
            std::vector<std::vector<float>> lines;
            for (const LineBox &line : candidate.lines)
                lines.push_back(m_recogniser.recognise(
                    Straightener::straighten(rgb, line, upsideDown, textShare)));
            // Upside down, the last line across is read first.
            if (upsideDown)
                std::reverse(lines.begin(), lines.end());
            // Lines that spell nothing (slivers) are left out; a line, or two
            // joined, that spells far fewer characters than a code has no code.
            std::vector<std::pair<int, const std::vector<float> *>> spelt;
            for (const std::vector<float> &line : lines)
                if (const int n = CodeSearch::characters(line); n > 0)
                    spelt.emplace_back(n, &line);
            for (std::size_t i = 0; i < spelt.size(); ++i) {
                if (spelt[i].first >= MinCharacters)
                    search(*spelt[i].second);
                if (i + 1 < spelt.size() && spelt[i].first + spelt[i + 1].first >= MinCharacters)
                    search(CodeSearch::join(*spelt[i].second, *spelt[i + 1].second));
            }
        }
    };
    const std::vector<StampCandidate> candidates = m_finder.find(rgb);
    for (const StampCandidate &candidate : candidates) {
        ++cut;
        source = std::size_t(&candidate - candidates.data());
        readCandidate(candidate, Straightener::TextShare);
        // A code read this plainly needs no look at the other candidates.
        if (!matches.empty() && best().clear() && best().shortfall() <= PlainShortfall)
            break;
    }
    // Not clear yet: the best reading's candidate once more, cut otherwise, as a second opinion.
    for (const float textShare : SecondOpinions) {
        if (matches.empty() || best().clear())
            break;
        const CodeMatch first = best();
        const auto from = std::find_if(matches.begin(), matches.end(),
            [&](const CodeMatch &m) { return m.code == first.code && m.score == first.score; });
        source = sources[std::size_t(from - matches.begin())];
        ++cut;
        readCandidate(candidates[source], textShare);
    }
    if (matches.empty())
        return std::nullopt;
    return best();
}

std::optional<std::string> StampReader::read(const QImage &photo)
{
    const std::optional<CodeMatch> match = bestMatch(photo);
    if (match && match->clear())
        return match->code;
    return std::nullopt;
}
