#include "readcommand.h"

#include "photoreader.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <cstdio>

namespace {

void say(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
}

} // namespace

int ReadCommand::run(int argc, char *argv[])
{
    // A core application only: no display is needed, nor looked for.
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
    const QStringList files = app.arguments().mid(2);
    if (files.isEmpty()) {
        say(stderr, QStringLiteral("Uso: zelmora --read FOTO..."));
        return 2;
    }
    PhotoReader reader;
    if (const QString error = reader.prepare(); !error.isEmpty()) {
        say(stderr, error);
        return 2;
    }
    int status = 0;
    for (const QString &file : files) {
        const PhotoReader::Outcome read = reader.read(file);
        if (!read.error.isEmpty()) {
            say(stderr, read.error);
            status = 2;
        } else if (read.code.isEmpty()) {
            status = std::max(status, 1);
        }
        say(stdout, file + u'\t' + read.code);
        std::fflush(stdout);
    }
    return status;
}
