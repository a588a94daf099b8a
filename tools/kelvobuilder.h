// Writes the table Comuni into a new encrypted database: country rows first,
// so that a scan for a country stops within the first rows, then the
// municipalities, with an index for the lookups by province and municipality.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class KelvoBuilder
{
public:
    struct Row
    {
        QString targa;
        std::optional<QString> ist;
        std::optional<QString> zona;
        std::optional<QString> citta;
    };

    // Reads a UTF-8, semicolon-separated file with a header line naming some
    // of the columns Targa, Ist, Zona and Citta; absent columns are NULL.
    static std::optional<QList<Row>> readCsv(const QString &path, QString *error);

    // Writes a fresh database to path (replacing it only once complete).
    static bool write(const QString &path, const QList<Row> &rows, QString *error);
};
