// From the program's start to its first frame on screen: Zelmora's window
// against a bare QWidget, started alternately in one run. Needs a display
// (bench/run.sh starts Xvfb with a window manager when there is none).
#include "benchclock.h"

#include <QCoreApplication>
#include <QProcess>

namespace {

double startToFirstFrameMs(const QString &child, const QString &window, int runs)
{
    return BenchClock::medianMs(runs, [&] {
        QProcess process;
        process.start(child, {QStringLiteral("firstframe"), window});
        if (!process.waitForFinished(20000) || process.exitCode() != 0)
            qFatal("bench_child %s failed", qPrintable(window));
    });
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString child = QCoreApplication::applicationDirPath() + QStringLiteral("/bench_child");
    constexpr int Rounds = 5, RunsPerRound = 6;
    QList<double> zelmora, bare;
    startToFirstFrameMs(child, QStringLiteral("zelmora"), 2); // warm the file cache
    for (int round = 0; round < Rounds; ++round) {
        zelmora.append(startToFirstFrameMs(child, QStringLiteral("zelmora"), RunsPerRound));
        bare.append(startToFirstFrameMs(child, QStringLiteral("bare"), RunsPerRound));
    }
    std::sort(zelmora.begin(), zelmora.end());
    std::sort(bare.begin(), bare.end());
    const double z = zelmora.at(Rounds / 2), b = bare.at(Rounds / 2);
    BenchClock::report("start to first frame, Zelmora window, median", z);
    BenchClock::report("start to first frame, bare QWidget, median", b);
    std::printf("ratio %.2f (target at most 1.30)\n", z / b);
    return 0;
}
