#include "codesearch.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace {

constexpr float Never = -1e9f;
// A step's classes further than this below its best are never followed.
constexpr float Prune = 14.0f;
// The acceptance: how clearly the code must stand out (nats), set on the
// validation photos.
constexpr float MinLead = 3.0f;
constexpr float MaxShortfall = 8.0f;

constexpr int Blank = 0;
constexpr int Space = 37, Dash = 38, FirstGap = 37, LastGap = 40; // ' ', '-', '/', '.'
constexpr int PlaceLength = 7, CodeLength = 11;

char charOf(int cls)
{
    return CodeSearch::Alphabet[std::size_t(cls - 1)];
}
bool isGap(int cls)
{
    return cls >= FirstGap && cls <= LastGap;
}
// Blanks or dashes may stand between the groups 1 IT 015 VR 001.
bool groupEnds(std::size_t length)
{
    return length == 1 || length == 3 || length == 6 || length == 8;
}

// A partial code (its characters only) and its best path so far, ending in a
// blank (pb) or in its last label (pnb), of class last: a character or a gap.
struct Hyp
{
    std::string code;
    int node = 0; // where the place part has got to
    int last = 0;
    float pb = Never, pnb = Never;
    float total() const { return std::max(pb, pnb); }
};

using Beam = std::unordered_map<std::string, Hyp>;

void keep(Beam &beam, const std::string &code, int last, int node, float pb, float pnb)
{
    Hyp &h = beam[isGap(last) ? code + charOf(last) : code];
    if (h.code.empty()) {
        h.code = code;
        h.node = node;
        h.last = last;
    }
    h.pb = std::max(h.pb, pb);
    h.pnb = std::max(h.pnb, pnb);
}

} // namespace

float CodeMatch::lead() const
{
    return runnerUp.empty() ? -Never : score - runnerUpScore;
}

bool CodeMatch::clear() const
{
    return lead() >= MinLead && shortfall() <= MaxShortfall;
}

CodeSearch::CodeSearch(const KnownCodes &known, int beamWidth) : m_beamWidth(beamWidth)
{
    m_places.emplace_back();
    const auto add = [this](int node, char c) {
        for (const auto &[k, n] : m_places[std::size_t(node)].next)
            if (k == c)
                return n;
        m_places.emplace_back();
        const int n = int(m_places.size()) - 1;
        m_places[std::size_t(node)].next.emplace_back(c, n);
        return n;
    };
    // Every other country shares one chain of five wildcards.
    int chain = -1;
    for (const std::string &country : known.countries()) {
        const int first = add(0, country[0]);
        const int second = add(first, country[1]);
        if (country == "IT") {
            for (const std::string &place : known.italianPlaces()) {
                int node = second;
                for (char c : place)
                    node = add(node, c);
            }
            continue;
        }
        if (chain < 0) {
            chain = int(m_places.size());
            for (int i = 0; i < 5; ++i) {
                m_places.emplace_back();
                if (i > 0)
                    m_places[std::size_t(chain + i - 1)].anyAlnum = chain + i;
            }
        }
        m_places[std::size_t(second)].anyAlnum = chain;
    }
}

int CodeSearch::child(int node, char c) const
{
    const Node &n = m_places[std::size_t(node)];
    for (const auto &[k, next] : n.next)
        if (k == c)
            return next;
    return c != ' ' && n.anyAlnum >= 0 ? n.anyAlnum : -1;
}

std::optional<CodeMatch> CodeSearch::search(const std::vector<float> &logProbs) const
{
    const std::size_t steps = logProbs.size() / Classes;
    // Text before the code: only blanks so far, any text, or a gap just read.
    float before = 0, anything = Never;
    std::array<Hyp, LastGap - FirstGap + 1> gaps;
    std::vector<Hyp> beam;
    // Complete codes followed by a gap and any text: their lag behind the best path.
    std::unordered_map<std::string, float> after;
    float bestPath = 0;

    for (std::size_t t = 0; t < steps; ++t) {
        const float *lp = logProbs.data() + t * Classes;
        const float best = *std::max_element(lp, lp + Classes);
        bestPath += best;
        const auto likely = [&](int cls) { return lp[cls] > best - Prune; };

        Beam next;
        next.reserve(beam.size() * 4 + 8);
        float gapEnd = before; // a code begins at the start or after a gap
        for (const Hyp &g : gaps)
            gapEnd = std::max(gapEnd, g.total());
        for (int cls = 1; cls <= 4; ++cls)
            if (likely(cls))
                keep(next, std::string(1, charOf(cls)), cls, 0, Never, gapEnd + lp[cls]);

        for (const Hyp &h : beam) {
            const float total = h.total();
            keep(next, h.code, h.last, h.node, total + lp[Blank], h.pnb + lp[h.last]);
            const std::size_t length = h.code.size();
            for (int cls = 1; cls < Classes; ++cls) {
                if (!likely(cls))
                    continue;
                const float from = (cls == h.last ? h.pb : total) + lp[cls];
                if (length == CodeLength) {
                    if (isGap(cls)) {
                        float &lag = after.try_emplace(h.code, Never).first->second;
                        lag = std::max(lag, from - bestPath);
                    }
                } else if (isGap(cls)) {
                    if ((cls == Space || cls == Dash) && groupEnds(length))
                        keep(next, h.code, cls, h.node, Never, from);
                } else if (length < 1 + PlaceLength) {
                    if (const int node = child(h.node, charOf(cls)); node >= 0)
                        keep(next, h.code + charOf(cls), cls, node, Never, from);
                } else if (cls <= 10) {
                    keep(next, h.code + charOf(cls), cls, h.node, Never, from);
                }
            }
        }

        const std::array<Hyp, LastGap - FirstGap + 1> was = gaps;
        for (int cls = FirstGap; cls <= LastGap; ++cls) {
            Hyp &g = gaps[std::size_t(cls - FirstGap)];
            float into = std::max(before, anything);
            for (const Hyp &o : was)
                into = std::max(into, &o - was.data() == cls - FirstGap ? o.pb : o.total());
            g.pb = g.total() + lp[Blank];
            g.pnb = std::max(g.pnb, into) + lp[cls];
        }
        anything = std::max({anything, before, gapEnd}) + best;
        before += lp[Blank];

        beam.clear();
        for (auto &entry : next)
            beam.push_back(std::move(entry.second));
        if (beam.size() > std::size_t(m_beamWidth)) {
            std::nth_element(beam.begin(), beam.begin() + m_beamWidth, beam.end(),
                [](const Hyp &a, const Hyp &b) { return a.total() > b.total(); });
            beam.resize(std::size_t(m_beamWidth));
        }
    }

    std::unordered_map<std::string, float> codes;
    for (const auto &[code, lag] : after)
        codes[code] = lag + bestPath;
    for (const Hyp &h : beam)
        if (h.code.size() == CodeLength && !isGap(h.last)) {
            auto [it, fresh] = codes.try_emplace(h.code, h.total());
            it->second = std::max(it->second, h.total());
        }
    if (codes.empty())
        return std::nullopt;
    std::vector<std::pair<float, std::string>> ranked;
    for (const auto &[code, score] : codes)
        ranked.emplace_back(score, code);
    std::partial_sort(ranked.begin(),
        ranked.begin() + std::min<std::ptrdiff_t>(2, std::ssize(ranked)), ranked.end(),
        std::greater<>());
    CodeMatch match {ranked[0].second, ranked[0].first, {}, Never, bestPath};
    if (ranked.size() > 1) {
        match.runnerUp = ranked[1].second;
        match.runnerUpScore = ranked[1].first;
    }
    return match;
}

std::vector<float> CodeSearch::join(
    const std::vector<float> &first, const std::vector<float> &second)
{
    std::vector<float> joined = first;
    std::vector<float> gap(Classes, Never);
    gap[Space] = 0;
    joined.insert(joined.end(), gap.begin(), gap.end());
    joined.insert(joined.end(), second.begin(), second.end());
    return joined;
}
