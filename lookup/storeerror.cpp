#include "storeerror.h"

#include <sqlite3.h>

StoreError::StoreError(const QString &message) : m_message(message), m_utf8(message.toUtf8()) { }

StoreError StoreError::fromSqlite(const QString &fileName, int rc, const char *sqliteMessage)
{
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
