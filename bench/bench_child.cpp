// The programs the window benchmarks start and time:
//   bench_child firstframe zelmora|bare   shows the window, quits after its first frame
//   bench_child idle zelmora|bare SECONDS shows the window, lets it settle for 11 s
//                                         (start-up, then the text cursor blinks for
//                                         10 s after the last input), idles SECONDS
//                                         and prints the CPU seconds and voluntary
//                                         context switches (wake-ups) of that time
#include "form1.h"

#include <QApplication>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <memory>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

// Quits once the window's first expose has been handled: Qt Widgets paints
// and flushes the window while it handles that event.
class FirstFrame : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Expose)
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        return false;
    }
};

// CPU seconds and voluntary context switches of this process so far.
std::pair<double, long> usage()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return {double(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
            + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6,
        u.ru_nvcsw};
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 2 && qstrcmp(argv[2], "zelmora") == 0)
        Form1::prepareApplication();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: bench_child firstframe|idle zelmora|bare [SECONDS]\n");
        return 2;
    }
    const bool idle = args.at(1) == u"idle";
    std::unique_ptr<QWidget> window;
    if (args.at(2) == u"zelmora")
        window = std::make_unique<Form1>();
    else
        window = std::make_unique<QWidget>();
    FirstFrame firstFrame;
    window->show();
    std::pair<double, long> settled;
    if (idle) {
        constexpr int SettleMs = 11000;
        QTimer::singleShot(SettleMs, &app, [&] { settled = usage(); });
        QTimer::singleShot(
            SettleMs + args.value(3, u"10"_s).toInt() * 1000, &app, &QCoreApplication::quit);
    } else {
        window->windowHandle()->installEventFilter(&firstFrame);
    }
    const int status = app.exec();
    if (idle) {
        const auto [cpu, switches] = usage();
        std::printf("%f %ld\n", cpu - settled.first, switches - settled.second);
    }
    return status;
}
