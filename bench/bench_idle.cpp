// CPU used by the idle window over ten seconds while Timer2 ticks every
// millisecond, against a bare window running a 1 ms timer that does nothing.
#include "benchclock.h"

#include <QCoreApplication>
#include <QProcess>
#include <sys/resource.h>

namespace {

double childCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double cpuPercent(const QString &child, const QString &window, int seconds)
{
    const double before = childCpuSeconds();
    QProcess process;
    process.start(child, {QStringLiteral("idle"), window, QString::number(seconds)});
    if (!process.waitForFinished((seconds + 20) * 1000) || process.exitCode() != 0)
        qFatal("bench_child %s failed", qPrintable(window));
    return (childCpuSeconds() - before) / seconds * 100;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString child = QCoreApplication::applicationDirPath() + QStringLiteral("/bench_child");
    constexpr int Seconds = 10;
    const double zelmora = cpuPercent(child, QStringLiteral("zelmora"), Seconds);
    const double bare = cpuPercent(child, QStringLiteral("bare"), Seconds);
    std::printf("%-58s %8.2f %%\n", "Zelmora idle, Timer2 at 1 ms, CPU of one core", zelmora);
    std::printf("%-58s %8.2f %%\n", "bare window with a 1 ms timer, CPU of one core", bare);
    std::printf("(target: Zelmora at most 1.5 %%)\n");
    return 0;
}
