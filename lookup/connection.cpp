#include "connection.h"

#include "ciphersettings.h"
#include "recordset.h"
#include "storeerror.h"

#include <QFile>
#include <sqlite3.h>

const QString Connection::Provider = QStringLiteral("Microsoft.Jet.OLEDB.4.0");
const QString Connection::PasswordProperty = QStringLiteral("Jet OLEDB:Database Password");

namespace {

// How long a read waits for another program's write to finish.
constexpr int BusyTimeoutMs = 250;

QString dataSource(const QString &connectionText)
{
    for (const QString &item : connectionText.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype eq = item.indexOf(u'=');
        if (eq > 0 && item.first(eq).trimmed().compare(u"Data Source", Qt::CaseInsensitive) == 0)
            return item.sliced(eq + 1).trimmed();
    }
    return {};
}

} // namespace

Connection::~Connection()
{
    close();
}

void Connection::setProvider(const QString &provider)
{
    if (isOpen())
        throw StoreError(
            QStringLiteral("Il fornitore di dati non si cambia a connessione aperta."));
    m_provider = provider;
}

void Connection::setProperty(const QString &name, const QString &value)
{
    if (m_provider != Provider)
        throw StoreError(
            QStringLiteral("Il fornitore di dati \"%1\" non è disponibile.").arg(m_provider));
    if (name != PasswordProperty)
        throw StoreError(
            QStringLiteral("Il fornitore di dati non ha la proprietà \"%1\".").arg(name));
    m_passphrase = value.toUtf8();
}

void Connection::open(const QString &connectionText, const QString &, const QString &, int)
{
    if (isOpen())
        throw StoreError(QStringLiteral("Il database %1 è già aperto.").arg(m_fileName));
    if (m_provider != Provider)
        throw StoreError(
            QStringLiteral("Il fornitore di dati \"%1\" non è disponibile.").arg(m_provider));
    m_fileName = dataSource(connectionText);
    if (std::optional<StoreError> error = StoreError::notAFile(m_fileName))
        throw *error;

    // Read-only, and never created: SQLite would otherwise make an empty
    // database in place of a missing file.
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(m_fileName).constData(), &db,
        SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    m_db = db;
    if (rc == SQLITE_OK)
        rc = CipherSettings::apply(m_db, m_passphrase);
    if (rc != SQLITE_OK) {
        const StoreError error
            = StoreError::fromSqlite(m_fileName, rc, db ? sqlite3_errmsg(db) : nullptr);
        close();
        throw error;
    }
    sqlite3_busy_timeout(m_db, BusyTimeoutMs);
}

void Connection::close()
{
    if (m_recordset)
        m_recordset->close();
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}
