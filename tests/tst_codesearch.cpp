// The code search on hand-made recogniser output (tables/codesearch.txt), and
// the known codes read from the shipped Kelvo.bmp.
#include "codesearch.h"
#include "testsupport.h"

#include <QDir>
#include <cmath>

namespace {

// One step: these characters at these probabilities, the rest shared by the other classes.
void step(std::vector<float> &m, std::initializer_list<std::pair<char, float>> likely)
{
    std::vector<float> p(CodeSearch::Classes, 0.0f);
    float rest = 1.0f;
    for (const auto &[c, pc] : likely) {
        p[c == '_' ? 0 : CodeSearch::Alphabet.find(c) + 1] = pc;
        rest -= pc;
    }
    for (float &v : p)
        m.push_back(std::log(v > 0 ? v : rest / float(CodeSearch::Classes - likely.size())));
}

std::vector<float> line(const QString &text)
{
    std::vector<float> m;
    const float sure = text.startsWith(u'!') ? 0.999f : 0.9f;
    for (qsizetype i = text.startsWith(u'!') ? 1 : 0; i < text.size(); ++i) {
        const char c = text[i].toLatin1();
        if (c == '[') {
            step(m, {{text[i + 1].toLatin1(), 0.6f}, {text[i + 2].toLatin1(), 0.35f}});
            i += 3;
        } else {
            step(m, {{c, sure}});
        }
        if (i + 1 < text.size() && text[i + 1] == u'~')
            ++i; // the next step straight on
        else
            step(m, {{'_', 0.9f}});
    }
    return m;
}

} // namespace

class TestCodeSearch : public QObject
{
    Q_OBJECT

private slots:
    void search_data() { TestSupport::addRows("codesearch"); }
    void search();
    void scoreOfOneCode();
    void shippedCodes();
};

void TestCodeSearch::search()
{
    QFETCH(QStringList, row);
    const CodeSearch search(
        KnownCodes({"IT", "FR"}, {"015VR", "018VR", "015BG", "001TO", "111MI"}));
    const QStringList lines = row[1].split(u'|');
    std::vector<float> m = line(lines[0]);
    for (qsizetype i = 1; i < lines.size(); ++i)
        m = CodeSearch::join(m, line(lines[i]));
    const std::optional<CodeMatch> match = search.search(m);
    QCOMPARE(match && match->clear() ? QString::fromStdString(match->code) : u"-"_s, row[2]);
}

// A second opinion weighs given codes: each scores as the search would find
// it, with text before or after it and gaps between its groups.
void TestCodeSearch::scoreOfOneCode()
{
    const CodeSearch search(KnownCodes({"IT"}, {"015VR", "018VR"}));
    for (const QString &text : {u"LOT 7 1IT01[B8]VR001"_s, u"1-IT-01[B8] VR-001 18/12"_s}) {
        const std::vector<float> m = line(text);
        const std::optional<CodeMatch> best = search.search(m);
        QVERIFY(best && best->code == "1IT018VR001");
        QCOMPARE(search.score(m, "1IT018VR001"), std::optional(-best->shortfall()));
        QCOMPARE(search.score(m, "1IT015VR001"), std::optional(-best->shortfall() - best->lead()));
        for (const char *none : {"1IT016VR001", "1IT018VR00", "LOT 71IT018"})
            QVERIFY2(!search.score(m, none), none);
    }
}

void TestCodeSearch::shippedCodes()
{
    QVERIFY(QDir::setCurrent(QFileInfo(u"" KELVO_BMP ""_s).path()));
    const KnownCodes known = KnownCodes::fromStore();
    QCOMPARE(known.countries().size(), 29u);
    QVERIFY(known.italianPlaces().size() > 8500);
    for (const char *code : {"1IT015VR001", "0IT001TO999", "3EL123AB001"})
        QVERIFY2(known.contains(code), code);
    for (const char *code :
        {"4IT015VR001", "1IT999VR001", "1XX015VR001", "1IT015VR00A", "3EL12AB3001"})
        QVERIFY2(!known.contains(code), code);
}

QTEST_APPLESS_MAIN(TestCodeSearch)
#include "tst_codesearch.moc"
