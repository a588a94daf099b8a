#include "kelvobuilder.h"

#include "ciphersettings.h"
#include "originlookup.h"

#include <QFile>
#include <QTemporaryDir>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

std::optional<QList<KelvoBuilder::Row>> KelvoBuilder::readCsv(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = path + QStringLiteral(": ") + file.errorString();
        return std::nullopt;
    }
    const QStringList header = QString::fromUtf8(file.readLine()).trimmed().split(u';');
    const qsizetype targa = header.indexOf(u"Targa"_s);
    if (targa < 0) {
        *error = path + QStringLiteral(": no Targa column");
        return std::nullopt;
    }
    const qsizetype ist = header.indexOf(u"Ist"_s), zona = header.indexOf(u"Zona"_s),
                    citta = header.indexOf(u"Citta"_s);

    QList<Row> rows;
    int line = 1;
    while (!file.atEnd()) {
        ++line;
        const QString text = QString::fromUtf8(file.readLine()).chopped(1);
        if (text.isEmpty())
            continue;
        const QStringList cells = text.split(u';');
        if (cells.size() != header.size()) {
            *error = QStringLiteral("%1:%2: %3 fields, expected %4")
                         .arg(path)
                         .arg(line)
                         .arg(cells.size())
                         .arg(header.size());
            return std::nullopt;
        }
        auto cell = [&](qsizetype i) -> std::optional<QString> {
            if (i < 0)
                return std::nullopt;
            return cells.at(i);
        };
        rows.append({cells.at(targa), cell(ist), cell(zona), cell(citta)});
    }
    return rows;
}

bool KelvoBuilder::write(const QString &path, const QList<Row> &rows, QString *error)
{
    // Build in a scratch folder, then move into place in one step.
    QTemporaryDir scratch(path + QStringLiteral(".build-XXXXXX"));
    if (!scratch.isValid()) {
        *error = path + QStringLiteral(": ") + scratch.errorString();
        return false;
    }
    const QString temp = scratch.filePath(QStringLiteral("Kelvo.bmp"));
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(temp).constData(), &db,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    auto failed = [&]() {
        *error = QStringLiteral("%1: %2").arg(path, QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_close_v2(db);
        return false;
    };
    if (rc != SQLITE_OK)
        return failed();
    if (CipherSettings::apply(db, OriginLookup::Password.toUtf8()) != SQLITE_OK)
        return failed();
    if (sqlite3_exec(db,
            "BEGIN;"
            "CREATE TABLE Comuni (Targa TEXT, Ist TEXT, Zona TEXT, Citta TEXT);",
            nullptr, nullptr, nullptr)
        != SQLITE_OK)
        return failed();

    sqlite3_stmt *insert = nullptr;
    if (sqlite3_prepare_v2(db, "INSERT INTO Comuni VALUES (?, ?, ?, ?);", -1, &insert, nullptr)
        != SQLITE_OK)
        return failed();
    for (const Row &row : rows) {
        const std::optional<QString> values[] = {row.targa, row.ist, row.zona, row.citta};
        for (int i = 0; i < 4; ++i) {
            if (values[i]) {
                const QByteArray utf8 = values[i]->toUtf8();
                sqlite3_bind_text(
                    insert, i + 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
            } else {
                sqlite3_bind_null(insert, i + 1);
            }
        }
        if (sqlite3_step(insert) != SQLITE_DONE) {
            sqlite3_finalize(insert);
            return failed();
        }
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    if (sqlite3_exec(db,
            "CREATE INDEX ComuniTargaIst ON Comuni (Targa, Ist);"
            "COMMIT;",
            nullptr, nullptr, nullptr)
        != SQLITE_OK)
        return failed();
    sqlite3_close_v2(db);

    QFile::remove(path);
    if (!QFile::rename(temp, path)) {
        *error = path + QStringLiteral(": cannot move the new database into place");
        return false;
    }
    return true;
}
