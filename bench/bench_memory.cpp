// Resident memory over 1,000 searches in a row (valid, refused and not-found
// codes mixed), on the shipped Kelvo.bmp. Run from build/bin. The flash of a
// refused code is shortened to 1 ms so the run takes seconds, not minutes.
// bench_memory PHOTO then drops the photo on the window and gives the resident
// memory once it is read, and once the reader has let go of it (its idle wait
// shortened to 1 ms).
#include "benchwindow.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <unistd.h>

namespace {

double residentMiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return double(fields.value(1).toLongLong() * sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

} // namespace

int main(int argc, char *argv[])
{
    Form1::prepareApplication();
    QApplication app(argc, argv);
    BenchWindow window;
    window.form.findChild<QTimer *>(QStringLiteral("Timer1"))->setInterval(1);

    const QString codes[]
        = {QStringLiteral("1it015vr001"), QStringLiteral("12345"), QStringLiteral("3XX999ZZ001"),
            QStringLiteral("0EL123AB001"), QStringLiteral("9IT015VR001")};
    double after100 = 0;
    QElapsedTimer timer;
    timer.start();
    for (int i = 1; i <= 1000; ++i) {
        window.codice->setText(codes[i % 5]);
        window.clickOk();
        while (!window.codice->isEnabled())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::processEvents();
        if (i == 100)
            after100 = residentMiB();
    }
    const double after1000 = residentMiB();
    std::printf("%-58s %8.2f MiB\n", "resident memory after 100 searches", after100);
    std::printf("%-58s %8.2f MiB\n", "resident memory after 1000 searches", after1000);
    std::printf("growth %.2f MiB (target: within 1 MiB); 1000 searches in %.1f s\n",
        after1000 - after100, double(timer.elapsed()) / 1000);

    if (app.arguments().size() < 2)
        return 0;
    QMimeData photo;
    photo.setUrls({QUrl::fromLocalFile(QDir::current().absoluteFilePath(app.arguments().at(1)))});
    const QPoint at = window.form.rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &photo, Qt::LeftButton, {});
    QApplication::sendEvent(&window.form, &enter);
    QDropEvent drop(at, Qt::CopyAction, &photo, Qt::LeftButton, {});
    QApplication::sendEvent(&window.form, &drop);
    auto *idle = window.form.findChild<QTimer *>(QStringLiteral("readerIdle"));
    while (!idle->isActive()) // until the read ends
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double read = residentMiB();
    std::printf("%-58s %8.2f MiB (%s)\n", "resident memory after reading the photo", read,
        qPrintable(window.codice->text()));
    idle->setInterval(1);
    // The reader lets go on its own thread: until the memory stops falling.
    QElapsedTimer waited;
    waited.start();
    double before = read, now = read;
    do {
        before = now;
        QTest::qWait(100);
        now = residentMiB();
    } while ((now >= read || now != before) && waited.elapsed() < 10000);
    std::printf("%-58s %8.2f MiB\n", "resident memory once the reader has let go", now);
    return 0;
}
