// kelvo-build OUTPUT CSV...: writes the rows of the CSV files, in order, into
// a new encrypted database OUTPUT.
#include "kelvobuilder.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: kelvo-build OUTPUT CSV...\n");
        return 2;
    }
    QList<KelvoBuilder::Row> rows;
    QString error;
    for (const QString &csv : args.mid(2)) {
        const auto read = KelvoBuilder::readCsv(csv, &error);
        if (!read) {
            std::fprintf(stderr, "kelvo-build: %s\n", qPrintable(error));
            return 1;
        }
        rows += *read;
    }
    if (!KelvoBuilder::write(args.at(1), rows, &error)) {
        std::fprintf(stderr, "kelvo-build: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
