// The code search: among the codes that exist, the one that best explains the
// recogniser's per-step log-probabilities of a line (or of two lines joined).
// A beam search over the CTC steps walks an automaton of the code's grammar:
// farming type 0-3, a known country, for Italy a known (number, plate) pair
// (elsewhere any three digits and two letters), three farm digits; blanks or dashes between the
// groups, and any text before and after (a date, a lot) kept apart from the code by a gap.
#pragma once

#include "knowncodes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct CodeMatch
{
    std::string code; // eleven characters
    float score = 0; // log-probability of the code's best path
    std::string runnerUp; // the next best code, empty if none
    float runnerUpScore = 0;
    float bestPathScore = 0; // the best path of all, whatever text it spells
    int readings = 1; // how many cuts of the stamp the score is averaged over
    std::vector<std::string> alternatives; // the next best codes, the runner-up first

    // How far the code's path falls short of the best path, and how far the
    // runner-up falls behind: both in nats.
    float shortfall() const { return bestPathScore - score; }
    float lead() const;
    // Clearly the code printed: a wrong code is worse than none.
    bool clear() const;
};

class CodeSearch
{
public:
    // Class 0 is the CTC blank; class i > 0 is Alphabet[i - 1].
    static constexpr std::string_view Alphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ -/.";
    static constexpr int Classes = int(Alphabet.size()) + 1;
    // How many codes after the best a search names.
    static constexpr int Alternatives = 8;

    explicit CodeSearch(const KnownCodes &known, int beamWidth = 64);

    // What searching a line or scoring a code in it needs of each step,
    // worked out once for the line.
    struct Steps
    {
        std::vector<float> bestPath; // the best path up to and with this step
        std::vector<float> codeStart; // the best path before it that a code may begin after
        std::vector<std::uint64_t> likely; // the classes a path may take there, a bit each
        // The best path of the whole line.
        float whole() const { return bestPath.empty() ? 0 : bestPath.back(); }
    };
    // logProbs holds steps x Classes values, row by row.
    static Steps steps(const std::vector<float> &logProbs);

    // Nothing when no existing code has a path at all.
    std::optional<CodeMatch> search(const std::vector<float> &logProbs) const;
    std::optional<CodeMatch> search(const std::vector<float> &logProbs, const Steps &steps) const;

    // How far this one code's best path in the line falls short of the best
    // path of all (nats, at most 0); nothing when the code has no path.
    std::optional<float> score(const std::vector<float> &logProbs, std::string_view code) const;
    std::optional<float> score(
        const std::vector<float> &logProbs, const Steps &steps, std::string_view code) const;

    // How many letters and digits the best path spells.
    static int characters(const std::vector<float> &logProbs);

    // Two lines read as one, the first, a gap, then the second.
    static std::vector<float> join(
        const std::vector<float> &first, const std::vector<float> &second);

private:
    // The place part of a code (country, then number and plate or, for other
    // countries, any three digits and two letters) as a tree of characters.
    struct Node
    {
        std::vector<std::pair<char, int>> next;
        int any = -1; // the child for any digit (or any letter), if any
        bool anyDigit = true;
    };
    int child(int node, char c) const;

    std::vector<Node> m_places;
    int m_beamWidth;
};
