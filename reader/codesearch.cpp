#include "codesearch.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <unordered_map>

namespace {

constexpr float Never = -1e9f;
// A step's classes further than this below its best are never followed.
constexpr float Prune = 14.0f;
// Hypotheses further than this below the best one are not extended.
constexpr float BeamGap = 20.0f;
// The acceptance: how clearly the code must stand out (nats), set for at
// most one wrong answer in 600 over the validation photos: seeds 500, 600,
// 800 and 801, and seeds 800 and 801 again with red and blue swapped or in
// grey, as photos of another look (1,800 photos, 3 wrong). Another country's
// code needs no clearer lead, though its place letters are checked against no
// list: its runner-up is then always the nearest other spelling, never a code
// far off because the nearer ones do not exist.
constexpr float MinLead = 5.0f;
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
// A character read in the step straight after another, with no blank between:
// not the same one again, whose steps make one character, nor 1 after I or I
// after 1, where the steps of one stroke would pass for both (a farming type 1
// read from the I of IT when the type itself is faint or cut off).
bool follows(int last, int cls)
{
    constexpr int One = int(CodeSearch::Alphabet.find('1')) + 1;
    constexpr int I = int(CodeSearch::Alphabet.find('I')) + 1;
    return cls != last && !(last == One && cls == I) && !(last == I && cls == One);
}
// Blanks or dashes may stand between the groups 1 IT 015 VR 001.
bool groupEnds(std::size_t length)
{
    return length == 1 || length == 3 || length == 6 || length == 8;
}

// The partial codes of the search, shared by its hypotheses: each is its
// parent and one more character.
class Prefixes
{
public:
    int extend(int parent, int cls)
    {
        const auto [it, fresh] = m_children.try_emplace(
            std::uint64_t(parent) << 6 | std::uint64_t(cls), int(m_parents.size()));
        if (fresh) {
            m_parents.emplace_back(parent, charOf(cls));
            m_lengths.push_back(m_lengths[std::size_t(parent)] + 1);
        }
        return it->second;
    }
    std::size_t length(int id) const { return m_lengths[std::size_t(id)]; }
    std::string text(int id) const
    {
        std::string code(length(id), ' ');
        for (; id > 0; id = m_parents[std::size_t(id)].first)
            code[length(id) - 1] = m_parents[std::size_t(id)].second;
        return code;
    }

private:
    std::vector<std::pair<int, char>> m_parents {{-1, '\0'}}; // 0 is the empty code
    std::vector<std::size_t> m_lengths {0};
    std::unordered_map<std::uint64_t, int> m_children;
};

// A partial code and its best path so far, ending in a blank (pb) or in its
// last label (pnb), of class last: the code's last character or a gap after it.
struct Hyp
{
    int prefix = 0;
    int node = 0; // where the place part has got to
    int last = 0;
    float pb = Never, pnb = Never;
    float total() const { return std::max(pb, pnb); }
};

// The hypotheses of the next step: collected as they come, then merged.
class Beam
{
public:
    void keep(int prefix, int last, int node, float pb, float pnb)
    {
        const std::uint64_t key
            = std::uint64_t(prefix) << 6 | std::uint64_t(isGap(last) ? last : 0);
        m_entries.push_back({key, {prefix, node, last, pb, pnb}});
    }
    // The hypotheses, one per partial code and ending, each with its best paths.
    std::vector<Hyp> &merged()
    {
        std::sort(m_entries.begin(), m_entries.end(),
            [](const Entry &a, const Entry &b) { return a.key < b.key; });
        m_hyps.clear();
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            if (i == 0 || m_entries[i].key != m_entries[i - 1].key) {
                m_hyps.push_back(m_entries[i].hyp);
                continue;
            }
            Hyp &h = m_hyps.back();
            h.pb = std::max(h.pb, m_entries[i].hyp.pb);
            h.pnb = std::max(h.pnb, m_entries[i].hyp.pnb);
        }
        m_entries.clear();
        return m_hyps;
    }

private:
    struct Entry
    {
        std::uint64_t key;
        Hyp hyp;
    };
    std::vector<Entry> m_entries;
    std::vector<Hyp> m_hyps;
};

// Text before a code: only blanks so far, any text, or a gap just read (one
// hypothesis for each kind of gap). A code begins at the start or after a gap.
class Before
{
public:
    // The best path up to this step that a code may begin after.
    float codeStart() const
    {
        float start = m_blanks;
        for (const Hyp &g : m_gaps)
            start = std::max(start, g.total());
        return start;
    }
    void step(const float *lp, float best)
    {
        const float start = codeStart();
        const std::array<Hyp, LastGap - FirstGap + 1> was = m_gaps;
        for (int cls = FirstGap; cls <= LastGap; ++cls) {
            Hyp &g = m_gaps[std::size_t(cls - FirstGap)];
            float into = std::max(m_blanks, m_anything);
            for (const Hyp &o : was)
                into = std::max(into, &o - was.data() == cls - FirstGap ? o.pb : o.total());
            g.pb = g.total() + lp[Blank];
            g.pnb = std::max(g.pnb, into) + lp[cls];
        }
        m_anything = std::max({m_anything, m_blanks, start}) + best;
        m_blanks += lp[Blank];
    }

private:
    float m_blanks = 0, m_anything = Never;
    std::array<Hyp, LastGap - FirstGap + 1> m_gaps;
};

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
    // Every other country shares one chain of wildcards, laid out as an
    // Italian place: three digits, then two letters.
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
                if (i > 0) {
                    m_places[std::size_t(chain + i - 1)].any = chain + i;
                    m_places[std::size_t(chain + i - 1)].anyDigit = i < 3;
                }
            }
        }
        m_places[std::size_t(second)].any = chain;
        m_places[std::size_t(second)].anyDigit = true;
    }
}

int CodeSearch::child(int node, char c) const
{
    const Node &n = m_places[std::size_t(node)];
    for (const auto &[k, next] : n.next)
        if (k == c)
            return next;
    const bool digit = c >= '0' && c <= '9', letter = c >= 'A' && c <= 'Z';
    return n.any >= 0 && (n.anyDigit ? digit : letter) ? n.any : -1;
}

std::optional<CodeMatch> CodeSearch::search(const std::vector<float> &logProbs) const
{
    return search(logProbs, steps(logProbs));
}

std::optional<float> CodeSearch::score(
    const std::vector<float> &logProbs, std::string_view code) const
{
    return score(logProbs, steps(logProbs), code);
}

CodeSearch::Steps CodeSearch::steps(const std::vector<float> &logProbs)
{
    const std::size_t count = logProbs.size() / Classes;
    Steps steps {{}, {}, std::vector<std::uint64_t>(count, 0)};
    steps.bestPath.reserve(count);
    steps.codeStart.reserve(count);
    Before before;
    float bestPath = 0;
    for (std::size_t t = 0; t < count; ++t) {
        const float *lp = logProbs.data() + t * Classes;
        const float best = *std::max_element(lp, lp + Classes);
        steps.bestPath.push_back(bestPath += best);
        steps.codeStart.push_back(before.codeStart());
        for (int cls = 1; cls < Classes; ++cls)
            if (lp[cls] > best - Prune)
                steps.likely[t] |= std::uint64_t(1) << cls;
        before.step(lp, best);
    }
    return steps;
}

std::optional<float> CodeSearch::score(
    const std::vector<float> &logProbs, const Steps &steps, std::string_view code) const
{
    // The search narrowed to this one code, step for step the same sums: its
    // hypotheses are k characters read, or k and then a blank or a dash.
    if (code.size() != CodeLength)
        return std::nullopt;
    std::array<int, CodeLength> classes {};
    for (std::size_t i = 0; i < CodeLength; ++i) {
        const std::size_t at = Alphabet.find(code[i]);
        if (at == std::string_view::npos)
            return std::nullopt;
        classes[i] = int(at) + 1;
    }
    int node = 0;
    for (std::size_t i = 1; i < 1 + PlaceLength && node >= 0; ++i)
        node = child(node, code[i]);
    if (classes[0] > 4 || node < 0
        || std::any_of(
            classes.begin() + 1 + PlaceLength, classes.end(), [](int cls) { return cls > 10; }))
        return std::nullopt;
    struct State
    {
        bool kept = false;
        float pb = Never, pnb = Never;
        float total() const { return std::max(pb, pnb); }
        void keep(float b, float nb)
        {
            pb = kept ? std::max(pb, b) : b;
            pnb = kept ? std::max(pnb, nb) : nb;
            kept = true;
        }
    };
    // [k][0]: k characters, the last one just read; [k][1], [k][2]: then a blank, a dash.
    using States = std::array<std::array<State, 3>, CodeLength + 1>;
    constexpr std::array<int, 3> GapOf {0, Space, Dash};
    States now, next;
    bool ended = false; // the code followed by a gap and any text
    float lag = Never;
    for (std::size_t t = 0; t < steps.bestPath.size(); ++t) {
        const float *lp = logProbs.data() + t * Classes;
        const float bestPath = steps.bestPath[t];
        const auto likely = [&](int cls) { return (steps.likely[t] >> cls & 1) != 0; };
        next = States();
        if (likely(classes[0]))
            next[1][0].keep(Never, steps.codeStart[t] + lp[classes[0]]);
        float leader = Never;
        for (const auto &row : now)
            for (const State &h : row)
                if (h.kept)
                    leader = std::max(leader, h.total());
        for (std::size_t k = 1; k <= CodeLength; ++k)
            for (std::size_t g = 0; g < GapOf.size(); ++g) {
                const State &h = now[k][g];
                const float total = h.total();
                if (!h.kept || total < leader - BeamGap)
                    continue;
                const int last = g == 0 ? classes[k - 1] : GapOf[g];
                next[k][g].keep(total + lp[Blank], h.pnb + lp[last]);
                const auto from
                    = [&](int cls) { return (follows(last, cls) ? total : h.pb) + lp[cls]; };
                if (k == CodeLength) {
                    for (int cls = FirstGap; cls <= LastGap; ++cls)
                        if (likely(cls)) {
                            lag = std::max(lag, from(cls) - bestPath);
                            ended = true;
                        }
                    continue;
                }
                if (groupEnds(k))
                    for (std::size_t gap = 1; gap < GapOf.size(); ++gap)
                        if (likely(GapOf[gap]))
                            next[k][gap].keep(Never, from(GapOf[gap]));
                if (likely(classes[k]))
                    next[k + 1][0].keep(Never, from(classes[k]));
            }
        std::swap(now, next);
    }
    const float bestPath = steps.whole();
    std::optional<float> score;
    if (ended)
        score = lag + bestPath;
    if (const State &whole = now[CodeLength][0]; whole.kept)
        score = std::max(score.value_or(whole.total()), whole.total());
    if (!score)
        return std::nullopt;
    return *score - bestPath;
}

std::optional<CodeMatch> CodeSearch::search(
    const std::vector<float> &logProbs, const Steps &steps) const
{
    Prefixes prefixes;
    std::vector<Hyp> beam;
    Beam next;
    // Complete codes followed by a gap and any text: their lag behind the best path.
    std::unordered_map<int, float> after;
    std::vector<int> likely;

    for (std::size_t t = 0; t < steps.bestPath.size(); ++t) {
        const float *lp = logProbs.data() + t * Classes;
        const float bestPath = steps.bestPath[t];
        likely.clear();
        for (std::uint64_t bits = steps.likely[t]; bits != 0; bits &= bits - 1)
            likely.push_back(std::countr_zero(bits));

        for (const int cls : likely)
            if (cls <= 4)
                next.keep(prefixes.extend(0, cls), cls, 0, Never, steps.codeStart[t] + lp[cls]);

        float leader = Never;
        for (const Hyp &h : beam)
            leader = std::max(leader, h.total());
        for (const Hyp &h : beam) {
            const float total = h.total();
            if (total < leader - BeamGap)
                continue;
            next.keep(h.prefix, h.last, h.node, total + lp[Blank], h.pnb + lp[h.last]);
            const std::size_t length = prefixes.length(h.prefix);
            for (const int cls : likely) {
                const float from = (follows(h.last, cls) ? total : h.pb) + lp[cls];
                if (length == CodeLength) {
                    if (isGap(cls)) {
                        float &lag = after.try_emplace(h.prefix, Never).first->second;
                        lag = std::max(lag, from - bestPath);
                    }
                } else if (isGap(cls)) {
                    if ((cls == Space || cls == Dash) && groupEnds(length))
                        next.keep(h.prefix, cls, h.node, Never, from);
                } else if (length < 1 + PlaceLength) {
                    if (const int node = child(h.node, charOf(cls)); node >= 0)
                        next.keep(prefixes.extend(h.prefix, cls), cls, node, Never, from);
                } else if (cls <= 10) {
                    next.keep(prefixes.extend(h.prefix, cls), cls, h.node, Never, from);
                }
            }
        }
        beam.swap(next.merged());
        if (beam.size() > std::size_t(m_beamWidth)) {
            std::nth_element(beam.begin(), beam.begin() + m_beamWidth, beam.end(),
                [](const Hyp &a, const Hyp &b) { return a.total() > b.total(); });
            beam.resize(std::size_t(m_beamWidth));
        }
    }

    const float bestPath = steps.whole();
    std::unordered_map<int, float> codes;
    for (const auto &[prefix, lag] : after)
        codes[prefix] = lag + bestPath;
    for (const Hyp &h : beam)
        if (prefixes.length(h.prefix) == CodeLength && !isGap(h.last)) {
            const auto [it, fresh] = codes.try_emplace(h.prefix, h.total());
            it->second = std::max(it->second, h.total());
        }
    if (codes.empty())
        return std::nullopt;
    std::vector<std::pair<float, int>> ranked;
    for (const auto &[prefix, score] : codes)
        ranked.emplace_back(score, prefix);
    const std::size_t kept = std::min(ranked.size(), std::size_t(Alternatives) + 1);
    std::partial_sort(
        ranked.begin(), ranked.begin() + std::ptrdiff_t(kept), ranked.end(), std::greater<>());
    CodeMatch match {prefixes.text(ranked[0].second), ranked[0].first, {}, Never, bestPath, 1, {}};
    if (ranked.size() > 1) {
        match.runnerUp = prefixes.text(ranked[1].second);
        match.runnerUpScore = ranked[1].first;
    }
    for (std::size_t i = 1; i < kept; ++i)
        match.alternatives.push_back(prefixes.text(ranked[i].second));
    return match;
}

int CodeSearch::characters(const std::vector<float> &logProbs)
{
    int count = 0, last = Blank;
    for (const float *lp = logProbs.data(), *end = lp + logProbs.size(); lp + Classes <= end;
         lp += Classes) {
        const int cls = int(std::max_element(lp, lp + Classes) - lp);
        count += cls != last && cls != Blank && !isGap(cls);
        last = cls;
    }
    return count;
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
