// The stamp reader, from file to answer, on a folder of photos made by
// scripts/gen-stamps.py: the median time per photo, the peak resident memory,
// and, from the folder's labels.tsv, how many were read exactly, not at all
// or wrongly, per tier and per factor the generator noted (print, ink, size...).
// Run from the folder that holds Kelvo.bmp (build/bin).
// Usage: bench_read [--photos] DIR [MORE_DIRS...]; each folder is measured on its own.
// bench_read --lines DIR... prints only what the stamp finder cuts in each photo,
// for scripts/train-reader.py --finder.
// bench_read --stop MS DIR... stops each read MS ms after the photo is loaded, as a
// closing window does, and gives how long the reads still running took to end.
#include "benchclock.h"
#include "imageloader.h"
#include "knowncodes.h"
#include "stampreader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <chrono>
#include <future>
#include <sys/resource.h>

namespace {

struct Tally
{
    int exact = 0, none = 0, wrong = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QElapsedTimer timer;
    timer.start();
    const KnownCodes known = KnownCodes::fromStore();
    StampReader reader(known);
    if (!reader.isReady())
        qFatal("the program holds no recogniser");
    std::printf(
        "known codes and network loaded once: %.1f ms\n", double(timer.nsecsElapsed()) / 1e6);

    // --photos prints a row per photo: file, truth, best existing code, read or
    // none, its lead, its shortfall, how many cuts agree, the runner-up and the
    // columns of network input read.
    QStringList dirs = app.arguments().mid(1);
    const bool verbose = dirs.removeAll(QStringLiteral("--photos")) > 0;
    // --lines: a row per candidate line, FOLDER, FILE, photo width and height as
    // loaded, candidate, line, centre x and y, length, height, angle.
    const bool linesOnly = dirs.removeAll(QStringLiteral("--lines")) > 0;
    std::optional<std::chrono::milliseconds> stopAfter;
    if (const qsizetype at = dirs.indexOf(QStringLiteral("--stop"));
        at >= 0 && at + 1 < dirs.size()) {
        stopAfter = std::chrono::milliseconds(dirs.at(at + 1).toInt());
        dirs.remove(at, 2);
    }
    QList<qint64> stopNs; // from the stop to the end of the read
    const StampFinder finder;
    // The photos of all folders by each factor the generator wrote down.
    QMap<QString, Tally> byFactor;
    const auto print = [](const QString &what, const Tally &t) {
        const double n = t.exact + t.none + t.wrong;
        std::printf("  %-32s %4.0f photos: exact %5.1f %%, none %5.1f %%, wrong %5.2f %%\n",
            qPrintable(what), n, 100 * t.exact / n, 100 * t.none / n, 100 * t.wrong / n);
    };
    for (const QString &dir : dirs) {
        QMap<QString, QStringList> labels; // file: code, tier
        QFile table(QDir(dir).filePath(QStringLiteral("labels.tsv")));
        if (table.open(QIODevice::ReadOnly))
            for (const QByteArray &line : table.readAll().split('\n'))
                if (const QStringList cells = QString::fromUtf8(line).split(u'\t');
                    cells.size() >= 3)
                    labels[cells[0]] = cells.mid(1);
        QList<qint64> ns;
        QList<std::size_t> columns; // of network input, per read
        QMap<QString, Tally> tallies;
        const QStringList files = QDir(dir).entryList({QStringLiteral("*.jpg"),
            QStringLiteral("*.png"), QStringLiteral("*.webp"), QStringLiteral("*.heic")});
        for (const QString &name : files) {
            timer.restart();
            const ImageLoader::Result loaded = ImageLoader::load(QDir(dir).filePath(name));
            if (linesOnly) {
                const cv::Mat rgb = StampReader::rgbView(loaded.image);
                if (rgb.empty())
                    continue;
                const std::vector<StampCandidate> candidates = finder.find(rgb);
                for (std::size_t c = 0; c < candidates.size(); ++c)
                    for (std::size_t l = 0; l < candidates[c].lines.size(); ++l) {
                        const LineBox &b = candidates[c].lines[l];
                        std::printf("%s\t%s\t%d\t%d\t%zu\t%zu\t%.2f\t%.2f\t%.2f\t%.2f\t%.2f\n",
                            qPrintable(dir), qPrintable(name), rgb.cols, rgb.rows, c, l,
                            double(b.centre.x), double(b.centre.y), double(b.length),
                            double(b.height), double(b.angle));
                    }
                continue;
            }
            std::optional<CodeMatch> match;
            if (stopAfter) {
                std::stop_source stop;
                std::future<std::optional<CodeMatch>> running = std::async(std::launch::async,
                    [&] { return reader.bestMatch(loaded.image, stop.get_token()); });
                if (running.wait_for(*stopAfter) == std::future_status::timeout) {
                    QElapsedTimer stopping;
                    stopping.start();
                    stop.request_stop();
                    running.wait();
                    stopNs.append(stopping.nsecsElapsed());
                }
                match = running.get();
            } else {
                match = reader.bestMatch(loaded.image);
            }
            const std::optional<std::string> code
                = match && match->clear() ? std::optional(match->code) : std::nullopt;
            ns.append(timer.nsecsElapsed());
            columns.append(reader.lastColumns());
            if (verbose)
                std::printf("photo\t%s\t%s\t%s\t%s\t%.2f\t%.2f\t%d\t%s\t%zu\n", qPrintable(name),
                    qPrintable(labels.value(name).value(0)), match ? match->code.c_str() : "-",
                    code ? "read" : "none", match ? double(match->lead()) : 0.0,
                    match ? double(match->shortfall()) : 0.0, match ? match->readings : 0,
                    match && !match->runnerUp.empty() ? match->runnerUp.c_str() : "-",
                    reader.lastColumns());
            if (!labels.contains(name))
                continue;
            const QString truth = labels[name].value(0), tier = labels[name].value(1);
            std::vector<Tally *> counted {&tallies[tier], &tallies[QStringLiteral("all")]};
            for (const QString &factor : labels[name].mid(2))
                counted.push_back(&byFactor[factor]);
            for (Tally *t : counted)
                ++(!code ? t->none : QString::fromStdString(*code) == truth ? t->exact : t->wrong);
            if (code && QString::fromStdString(*code) != truth)
                std::printf("  wrong: %s read %s, is %s\n", qPrintable(name), code->c_str(),
                    qPrintable(truth));
        }
        if (ns.isEmpty())
            continue;
        std::sort(ns.begin(), ns.end());
        std::printf("%s: %lld photos\n", qPrintable(dir), qsizetype(ns.size()));
        BenchClock::report("  file to answer, median", double(ns.at(ns.size() / 2)) / 1e6);
        BenchClock::report("  file to answer, slowest", double(ns.last()) / 1e6);
        std::sort(columns.begin(), columns.end());
        std::printf("  columns of network input read: median %zu, most %zu (a read stops at %zu)\n",
            columns.at(columns.size() / 2), columns.last(), StampReader::MaxColumns);
        for (auto it = tallies.cbegin(); it != tallies.cend(); ++it)
            print(it.key(), *it);
    }
    if (!stopNs.isEmpty()) {
        std::sort(stopNs.begin(), stopNs.end());
        std::printf("%lld reads stopped\n", stopNs.size());
        BenchClock::report("  stop to end, median", double(stopNs.at(stopNs.size() / 2)) / 1e6);
        BenchClock::report("  stop to end, slowest", double(stopNs.last()) / 1e6);
    }
    if (!byFactor.isEmpty())
        std::printf("all folders, by factor:\n");
    for (auto it = byFactor.cbegin(); it != byFactor.cend(); ++it)
        print(it.key(), *it);
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory: %.1f MB\n", double(usage.ru_maxrss) / 1024);
    return 0;
}
