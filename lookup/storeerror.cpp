#include "storeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>
#include <sqlite3.h>

StoreError::StoreError(const QString &message) : m_message(message), m_utf8(message.toUtf8()) { }

namespace {

// What is wrong with the file itself, if anything: SQLite's own messages do
// not tell a missing file from a folder, or an empty file from a missing table.
std::optional<QString> fileProblem(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (fileName.isEmpty() || !info.exists())
        return QStringLiteral("Il database %1 non si trova nella cartella di lavoro (%2).")
            .arg(fileName, QDir::toNativeSeparators(QDir::currentPath()));
    if (info.isDir())
        return QStringLiteral("%1 è una cartella, non il database dei comuni.").arg(fileName);
    if (!info.isFile())
        return QStringLiteral("%1 non è un file ma una pipe, un socket o un dispositivo.")
            .arg(fileName);
    if (info.size() == 0)
        return QStringLiteral("Il database %1 è vuoto.").arg(fileName);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Il database %1 non si può leggere: %2.")
            .arg(fileName, file.errorString());
    if (file.read(16) == QByteArray("SQLite format 3", 16))
        return QStringLiteral("%1 non è cifrato: non è il database dei comuni di Zelmora.")
            .arg(fileName);
    return std::nullopt;
}

} // namespace

std::optional<StoreError> StoreError::notAFile(const QString &fileName)
{
    // Opening a named pipe for reading blocks until some other program writes
    // to it, and a device may never end: refuse anything but a plain file
    // before SQLite opens it.
    const QFileInfo info(fileName);
    if (info.exists() && !info.isFile() && !info.isDir())
        return StoreError(*fileProblem(fileName));
    return std::nullopt;
}

StoreError StoreError::fromSqlite(const QString &fileName, int rc, const char *sqliteMessage)
{
    if (const std::optional<QString> problem = fileProblem(fileName))
        return StoreError(*problem);
    const QString detail = QString::fromUtf8(sqliteMessage ? sqliteMessage : sqlite3_errstr(rc));
    static const QString noTable = QStringLiteral("no such table: ");
    static const QString noColumn = QStringLiteral("no such column: ");
    if (detail.startsWith(noTable))
        return StoreError(QStringLiteral("Nel database %1 manca la tabella %2.")
                              .arg(fileName, detail.mid(noTable.size())));
    if (detail.startsWith(noColumn))
        return missingColumn(fileName, detail.mid(noColumn.size()));

    switch (rc & 0xff) {
    case SQLITE_NOTADB:
        return StoreError(QStringLiteral("%1 non è il database dei comuni di Zelmora, oppure è "
                                         "protetto da un'altra password.")
                              .arg(fileName));
    case SQLITE_CORRUPT:
        return StoreError(QStringLiteral("Il database %1 è danneggiato.").arg(fileName));
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return StoreError(QStringLiteral("Il database %1 è bloccato da un altro programma. "
                                         "Riprovare tra poco.")
                              .arg(fileName));
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return StoreError(QStringLiteral("Il database %1 non si può aprire.").arg(fileName));
    case SQLITE_IOERR:
        return StoreError(QStringLiteral("Errore di lettura del database %1.").arg(fileName));
    default:
        return StoreError(QStringLiteral("Errore nel database %1 (%2).").arg(fileName, detail));
    }
}

StoreError StoreError::missingColumn(const QString &fileName, const QString &column)
{
    return StoreError(QStringLiteral("Nel database %1 manca la colonna %2.").arg(fileName, column));
}
