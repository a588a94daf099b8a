// The programs the window benchmarks start and time:
//   bench_child firstframe zelmora|bare   shows the window, quits after its first frame
//   bench_child idle zelmora|bare SECONDS idles with the window shown; the bare
//                                         window runs a 1 ms timer that does nothing
#include "form1.h"

#include <QApplication>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <memory>

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
    if (args.at(2) == u"zelmora") {
        window = std::make_unique<Form1>();
    } else {
        window = std::make_unique<QWidget>();
        if (idle) {
            auto *timer = new QTimer(window.get());
            timer->setInterval(1);
            QObject::connect(timer, &QTimer::timeout, [] {});
            timer->start();
        }
    }
    FirstFrame firstFrame;
    window->show();
    if (idle)
        QTimer::singleShot(args.value(3, u"10"_qs).toInt() * 1000, &app, &QCoreApplication::quit);
    else
        window->windowHandle()->installEventFilter(&firstFrame);
    return app.exec();
}
