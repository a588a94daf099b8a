// The rows of one query on an open Connection. After open() the first row is
// current, or eof() is true when there is none; moveNext() follows the
// store's order. A record set is closed by the connection it was opened on.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

struct sqlite3_stmt;
class Connection;

class Recordset
{
public:
    Recordset() = default;
    ~Recordset();
    Recordset(const Recordset &) = delete;
    Recordset &operator=(const Recordset &) = delete;

    // cursorType, lockType and options are accepted for the caller's sake:
    // every cursor of this store is a read-only forward pass. parameters are
    // bound, in order, to the query's "?" placeholders, always as text.
    void open(const QString &query, Connection &connection, int cursorType, int lockType,
        int options, const QStringList &parameters = {});
    bool isOpen() const { return m_statement != nullptr; }
    bool eof() const { return m_eof; }

    // The value of a column in the current row; no value for SQL NULL.
    std::optional<QString> field(const QString &column) const;
    void moveNext();

private:
    friend class Connection;

    void close();
    void step();
    [[noreturn]] void fail(int rc) const;

    sqlite3_stmt *m_statement = nullptr;
    Connection *m_connection = nullptr;
    QStringList m_columns;
    mutable QString m_lastColumn; // the column field() found last, and where
    mutable int m_lastIndex = 0;
    bool m_eof = true;
};
