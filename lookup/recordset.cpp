#include "recordset.h"

#include "connection.h"
#include "storeerror.h"

#include <algorithm>
#include <sqlite3.h>

Recordset::~Recordset()
{
    close();
}

void Recordset::open(
    const QString &query, Connection &connection, int, int, int, const QStringList &parameters)
{
    if (isOpen())
        throw StoreError(
            QStringLiteral("La ricerca nel database %1 è già aperta.").arg(connection.fileName()));
    if (!connection.isOpen())
        throw StoreError(QStringLiteral("Il database %1 non è aperto.").arg(connection.fileName()));

    const QByteArray sql = query.toUtf8();
    sqlite3_stmt *statement = nullptr;
    int rc = sqlite3_prepare_v2(
        connection.m_db, sql.constData(), int(sql.size()), &statement, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(statement);
        throw StoreError::fromSqlite(connection.fileName(), rc, sqlite3_errmsg(connection.m_db));
    }
    m_statement = statement;
    m_connection = &connection;
    connection.m_recordset = this;

    for (int i = 0; i < parameters.size(); ++i) {
        const QByteArray value = parameters.at(i).toUtf8();
        rc = sqlite3_bind_text(
            m_statement, i + 1, value.constData(), int(value.size()), SQLITE_TRANSIENT);
        if (rc != SQLITE_OK)
            fail(rc);
    }
    const int columns = sqlite3_column_count(m_statement);
    m_columns.clear();
    m_columns.reserve(columns);
    for (int i = 0; i < columns; ++i)
        m_columns.append(QString::fromUtf8(sqlite3_column_name(m_statement, i)));
    step();
}

std::optional<QString> Recordset::field(const QString &column) const
{
    if (!isOpen() || m_eof)
        throw StoreError(QStringLiteral("Nessuna riga corrente nel database %1.")
                             .arg(m_connection ? m_connection->fileName() : QString()));
    // A scan reads the same column on every row: find it by name once.
    if (column != m_lastColumn) {
        const auto found = std::find_if(m_columns.cbegin(), m_columns.cend(),
            [&](const QString &name) { return name.compare(column, Qt::CaseInsensitive) == 0; });
        if (found == m_columns.cend())
            throw StoreError::missingColumn(m_connection->fileName(), column);
        m_lastColumn = column;
        m_lastIndex = int(found - m_columns.cbegin());
    }
    const int i = m_lastIndex;
    if (sqlite3_column_type(m_statement, i) == SQLITE_NULL)
        return std::nullopt;
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, i));
    return QString::fromUtf8(text, sqlite3_column_bytes(m_statement, i));
}

void Recordset::moveNext()
{
    if (!isOpen() || m_eof)
        throw StoreError(QStringLiteral("Nessuna riga successiva nel database %1.")
                             .arg(m_connection ? m_connection->fileName() : QString()));
    step();
}

void Recordset::step()
{
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
        m_eof = false;
    else if (rc == SQLITE_DONE)
        m_eof = true;
    else
        fail(rc);
}

void Recordset::fail(int rc) const
{
    throw StoreError::fromSqlite(
        m_connection->fileName(), rc, sqlite3_errmsg(sqlite3_db_handle(m_statement)));
}

void Recordset::close()
{
    if (m_statement) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
    if (m_connection) {
        m_connection->m_recordset = nullptr;
        m_connection = nullptr;
    }
    m_eof = true;
    m_columns.clear();
    m_lastColumn.clear();
}
