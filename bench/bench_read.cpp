// The stamp reader, from file to answer, on a folder of photos made by
// scripts/gen-stamps.py: the median time per photo, the peak resident memory,
// and, from the folder's labels.tsv, how many were read exactly, not at all
// or wrongly, per tier. Run from the folder that holds Kelvo.bmp (build/bin).
// Usage: bench_read DIR [MORE_DIRS...]; each folder is measured on its own.
#include "benchclock.h"
#include "imageloader.h"
#include "knowncodes.h"
#include "stampreader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
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

    for (const QString &dir : app.arguments().mid(1)) {
        QMap<QString, QStringList> labels; // file: code, tier
        QFile table(QDir(dir).filePath(QStringLiteral("labels.tsv")));
        if (table.open(QIODevice::ReadOnly))
            for (const QByteArray &line : table.readAll().split('\n'))
                if (const QStringList cells = QString::fromUtf8(line).split(u'\t');
                    cells.size() >= 3)
                    labels[cells[0]] = cells.mid(1);
        QList<qint64> ns;
        QMap<QString, Tally> tallies;
        const QStringList files
            = QDir(dir).entryList({QStringLiteral("*.jpg"), QStringLiteral("*.png")});
        for (const QString &name : files) {
            timer.restart();
            const ImageLoader::Result loaded = ImageLoader::load(QDir(dir).filePath(name));
            const std::optional<std::string> code = reader.read(loaded.image);
            ns.append(timer.nsecsElapsed());
            if (!labels.contains(name))
                continue;
            const QString truth = labels[name].value(0), tier = labels[name].value(1);
            for (Tally *t : {&tallies[tier], &tallies[QStringLiteral("all")]})
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
        for (auto it = tallies.cbegin(); it != tallies.cend(); ++it) {
            const double n = it->exact + it->none + it->wrong;
            std::printf("  %-8s %4.0f photos: exact %5.1f %%, none %5.1f %%, wrong %5.2f %%\n",
                qPrintable(it.key()), n, 100 * it->exact / n, 100 * it->none / n,
                100 * it->wrong / n);
        }
    }
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory: %.1f MB\n", double(usage.ru_maxrss) / 1024);
    return 0;
}
