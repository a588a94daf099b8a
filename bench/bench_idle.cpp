// CPU and wake-ups of the idle window over ten seconds, once it has settled,
// against a bare QWidget without any timer, side by side in one run.
#include "benchclock.h"

#include <QCoreApplication>
#include <QProcess>

namespace {

struct Idle
{
    double cpuPercent;
    double wakeupsPerSecond; // voluntary context switches
};

Idle idle(const QString &child, const QString &window, int seconds)
{
    QProcess process;
    process.start(child, {QStringLiteral("idle"), window, QString::number(seconds)});
    if (!process.waitForFinished((seconds + 20) * 1000) || process.exitCode() != 0)
        qFatal("bench_child %s failed", qPrintable(window));
    const QList<QByteArray> out = process.readAllStandardOutput().trimmed().split(' ');
    return {out.value(0).toDouble() / seconds * 100, out.value(1).toDouble() / seconds};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString child = QCoreApplication::applicationDirPath() + QStringLiteral("/bench_child");
    constexpr int Seconds = 10;
    const Idle zelmora = idle(child, QStringLiteral("zelmora"), Seconds);
    const Idle bare = idle(child, QStringLiteral("bare"), Seconds);
    std::printf("%-40s %8s %16s\n", "idle for 10 s", "CPU", "wake-ups per s");
    std::printf("%-40s %7.2f%% %16.1f\n", "Zelmora", zelmora.cpuPercent, zelmora.wakeupsPerSecond);
    std::printf(
        "%-40s %7.2f%% %16.1f\n", "bare QWidget, no timer", bare.cpuPercent, bare.wakeupsPerSecond);
    std::printf("(target: Zelmora within 0.1 percentage point of the bare window)\n");
    return 0;
}
