#include "readcommand.h"

#include "imageloader.h"
#include "knowncodes.h"
#include "stampreader.h"
#include "storeerror.h"

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
    std::optional<KnownCodes> known;
    try {
        known = KnownCodes::fromStore();
    } catch (const StoreError &error) {
        say(stderr, error.message());
        return 2;
    }
    StampReader reader(*known);
    if (!reader.isReady()) {
        say(stderr, QStringLiteral("Il riconoscitore dei caratteri non è nel programma."));
        return 2;
    }
    int status = 0;
    for (const QString &file : files) {
        const ImageLoader::Result loaded = ImageLoader::load(file);
        std::string code;
        if (loaded.image.isNull()) {
            say(stderr, loaded.error);
            status = 2;
        } else if (const std::optional<std::string> read = reader.read(loaded.image)) {
            code = *read;
        } else {
            status = std::max(status, 1);
        }
        say(stdout, file + u'\t' + QString::fromStdString(code));
        std::fflush(stdout);
    }
    return status;
}
