#include "storeerror.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

StoreError::StoreError(const QString &message) : m_message(message), m_utf8(message.toUtf8()) { }

QString StoreError::systemCause(int error)
{
    switch (error) {
    case EACCES:
    case EPERM: return QStringLiteral("permesso negato");
    case ENOENT: return QStringLiteral("il file non esiste");
    case EIO: return QStringLiteral("errore di lettura del disco");
    case ELOOP: return QStringLiteral("troppi collegamenti simbolici");
    case ENAMETOOLONG: return QStringLiteral("nome troppo lungo");
    case EMFILE:
    case ENFILE: return QStringLiteral("troppi file aperti");
    case ENOMEM: return QStringLiteral("memoria insufficiente");
    default: return QStringLiteral("errore di sistema %1").arg(error);
    }
}

namespace {

// What is wrong with the file itself, if anything: SQLite's own messages do
// not tell a missing file from a folder, or an empty file from a missing table.
std::optional<QString> fileProblem(const QString &fileName)
{
    const QByteArray path = QFile::encodeName(fileName);
    struct stat info = {};
    if (fileName.isEmpty() || (::stat(path.constData(), &info) != 0 && errno == ENOENT))
        return QStringLiteral("Il database %1 non si trova nella cartella di lavoro (%2).")
            .arg(fileName, QDir::toNativeSeparators(QDir::currentPath()));
    if (info.st_mode == 0)
        return QStringLiteral("Il database %1 non si può leggere: %2.")
            .arg(fileName, StoreError::systemCause(errno));
    if (S_ISDIR(info.st_mode))
        return QStringLiteral("%1 è una cartella, non il database dei comuni.").arg(fileName);
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("%1 non è un file ma una pipe, un socket o un dispositivo.")
            .arg(fileName);
    if (info.st_size == 0)
        return QStringLiteral("Il database %1 è vuoto.").arg(fileName);
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return QStringLiteral("Il database %1 non si può leggere: %2.")
            .arg(fileName, StoreError::systemCause(errno));
    char header[16] = {};
    const bool plain = ::read(fd, header, sizeof header) == sizeof header
        && QByteArrayView(header, sizeof header) == QByteArrayView("SQLite format 3", 16);
    ::close(fd);
    if (plain)
        return QStringLiteral("%1 non è cifrato: non è il database dei comuni di Zelmora.")
            .arg(fileName);
    return std::nullopt;
}

} // namespace

std::optional<StoreError> StoreError::notAFile(const QString &fileName)
{
    // Opening a named pipe for reading blocks until some other program writes
    // to it, and a device may never end: refuse anything but a plain file or
    // a folder before SQLite opens it.
    struct stat info = {};
    if (::stat(QFile::encodeName(fileName).constData(), &info) == 0 && !S_ISREG(info.st_mode)
        && !S_ISDIR(info.st_mode))
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
        return StoreError(
            QStringLiteral("Errore nel database %1 (codice SQLite %2).").arg(fileName).arg(rc));
    }
}

StoreError StoreError::missingColumn(const QString &fileName, const QString &column)
{
    return StoreError(QStringLiteral("Nel database %1 manca la colonna %2.").arg(fileName, column));
}
