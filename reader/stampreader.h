// The stamp reader: a photo in, the code it shows out, or nothing. Finds the
// stamp, straightens each of its lines both ways up, recognises them, and
// searches the codes that exist in each line and in each two lines joined.
// The best reading is confirmed by every network on several cuts of its stamp
// (the networks side by side, each on a thread of its own);
// when that leaves it unclear, so are the readings that stand out on other
// candidates (when no candidate gives any code, each is read again drawn out
// at its ends), then on every candidate cut taller, then with its cuts
// sharpened, then on the finder's candidates of print fainter than its ink map,
// then on those of dots that stand apart, and when still nothing stands out,
// on those of big print spread out in words; when nothing is clear even so,
// on every candidate with the lightness of its cuts evened out. A read can be
// stopped from another thread; it then ends at its next cut or search of the
// photo, and answers nothing. So does a read whose networks would read more
// than MaxColumns, whatever the photo.
#pragma once

#include "codesearch.h"
#include "recogniser.h"
#include "stampfinder.h"
#include "straightener.h"

#include <QImage>
#include <cstddef>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <vector>

class StampReader
{
public:
    // A clear code that falls short of the best path by no more than this
    // (nats) ends the search at its candidate.
    static constexpr float PlainShortfall = 2.0f;
    // Fewer letters and digits than this on a line (or two joined) are not searched.
    static constexpr int MinCharacters = 8;
    // A way to cut the stamp: the text's share of the cut's height, and a
    // turn in degrees. Every candidate is cut plainly; the best one's stamp
    // is cut the other ways too, for second opinions.
    struct Variant
    {
        float textShare;
        float turn;
    };
    static constexpr Variant Plain {Straightener::TextShare, 0};
    static constexpr Variant SecondOpinions[]
        = {{0.45f, 0}, {0.8f, 0}, {0.65f, 2}, {0.65f, -2}, {0.55f, 1}, {0.75f, -1}};
    // When the best reading's stamp is not read clearly, this many other
    // candidates, those whose readings stand out most, are confirmed too;
    // none whose reading leads by less than MinOtherLead (nats).
    static constexpr int MaxOtherSources = 2;
    static constexpr float MinOtherLead = 2.0f;
    // When no candidate gives any code, each is read again with its lines
    // drawn out by this many text heights at each end.
    static constexpr float StretchHeights = 2.5f;
    // When nothing is read clearly, each candidate is read again with its
    // lines' ink bands taken this many times taller: the finder's band may
    // leave out a line's sparse top and bottom rows (dots standing apart), and
    // a cut that clips the letters misreads them in every second opinion alike.
    static constexpr float TallerBy = 1.4f;
    // When even so nothing is read clearly, each candidate is read again with
    // its cuts sharpened, for print the camera blurred past what the networks
    // learnt to read: each cut gains SharpenBy times what a blur of
    // SharpenRadius pixels (of the network's input) takes from it.
    static constexpr float SharpenBy = 2.0f, SharpenRadius = 1.5f;
    // Last, each candidate is read again with the lightness of its cuts
    // evened out along the line (contrast-limited adaptive histogram
    // equalisation with this clip limit, in tiles as wide as the cut is
    // high): print that a highlight or dim light left faint beside the rest.
    static constexpr float EqualiseClip = 2.0f;
    // Tried where every other way failed, and further from what the networks
    // learnt to read, the equalised cuts give a wrong code more chances to
    // stand out: their answer must lead by EqualisedLead (nats), and fall short
    // of the best path by no more than EqualisedShortfall.
    static constexpr float EqualisedLead = 6.0f, EqualisedShortfall = 4.0f;
    // What one read may cost, in columns of network input over every network
    // (Recogniser::columns), about 5 s on two cores: a cut that would take it
    // past this is not read, and the read ends as a stopped one does, with no
    // answer. Most reads take under 10,000; one that goes every way above
    // without a clear code, up to 240,000.
    static constexpr std::size_t MaxColumns = 130'000;
    // Two networks trained otherwise: the first reads every candidate, both confirm.
    static constexpr const char *Networks[] = {":/reader/reader.onnx", ":/reader/reader2.onnx"};

    explicit StampReader(const KnownCodes &known);
    bool isReady() const;

    // The photo's pixels as OpenCV sees them, not copied; empty unless RGB888.
    static cv::Mat rgbView(const QImage &photo);

    // The best reading of the photo (RGB888), accepted or not; nothing if no
    // existing code fits at all, or if stop was requested before the end. The
    // lead counts other readings too.
    std::optional<CodeMatch> bestMatch(const QImage &photo, std::stop_token stop = {});
    // The code, only when clearly read.
    std::optional<std::string> read(const QImage &photo, std::stop_token stop = {});
    // The columns of network input the last read cost.
    std::size_t lastColumns() const { return m_columns; }

private:
    // One line, or two joined, as read; upright 1 or upside down 0.
    struct Reading
    {
        std::vector<float> logProbs;
        CodeSearch::Steps steps; // of logProbs, for searching and scoring codes
        std::optional<CodeMatch> match;
        int upright = 1;
    };
    using Cut = std::vector<Reading>;
    std::optional<CodeMatch> search(const cv::Mat &rgb);
    // Whether to read no further: stop was requested, or a cut was left
    // unread for MaxColumns. Once so, what the read found is not answered.
    bool stopped() const { return m_cutShort || m_stop.stop_requested(); }
    // The candidate's lines cut one way, read both ways up (upright -1) or one:
    // a cut for each of the networks, which share the straightened lines.
    std::vector<Cut> readCut(const cv::Mat &rgb, const StampCandidate &candidate,
        const Variant &variant, int upright, std::span<Recogniser> networks);

    // The code read best over every cut of the candidate, that way up, with
    // its runner-up: their shortfalls averaged over all the cuts.
    CodeMatch confirmed(
        const cv::Mat &rgb, const StampCandidate &candidate, const Cut &firstCut, int upright);
    // The candidate cut plainly, read both ways up by the first network.
    Cut plainCut(const cv::Mat &rgb, const StampCandidate &candidate);
    // The reading of the cut whose code leads most, if by MinOtherLead at least.
    static const Reading *leading(const Cut &cut);
    // Keeps other when it leads more than match (or there is none); whether
    // the kept one is clear, by the equalised cuts' bar when evenedOut.
    static bool keepClearer(
        std::optional<CodeMatch> &match, CodeMatch other, bool evenedOut = false);
    // Each candidate read as another would be, confirmed where its reading
    // stands out by MinOtherLead and kept in match when clearer; whether to
    // look no further: one was clear, or the read was stopped.
    bool clearIn(const cv::Mat &rgb, const std::vector<StampCandidate> &candidates,
        std::optional<CodeMatch> &match, bool evenedOut = false);
    // When nothing is read clearly: the match, or a clearer one on the
    // candidates cut taller, then sharpened, then on the finder's fainter
    // candidates, then on its dotted ones, whose reading stands out by
    // MinOtherLead, and when the match does not stand out by that much
    // either, on its spread-out ones; last, on the candidates equalised, by
    // their own bar.
    std::optional<CodeMatch> lookHarder(const cv::Mat &rgb,
        const std::vector<StampCandidate> &candidates, std::optional<CodeMatch> match);

    CodeSearch m_search;
    std::vector<Recogniser> m_networks; // Networks
    StampFinder m_finder;
    std::stop_token m_stop; // of the read under way
    std::size_t m_columns = 0; // read so far in it
    bool m_cutShort = false; // a cut of it was left unread for MaxColumns
};
