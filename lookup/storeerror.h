#pragma once

#include <QString>
#include <exception>
#include <optional>

// A failure of the store, with a message in Italian for the user that names
// the database file and the cause.
class StoreError : public std::exception
{
public:
    explicit StoreError(const QString &message);

    // Turns an SQLite result code and its English message into a StoreError.
    static StoreError fromSqlite(const QString &fileName, int rc, const char *sqliteMessage);
    // A file that exists but is no plain file or folder (a pipe, a device).
    static std::optional<StoreError> notAFile(const QString &fileName);
    static StoreError missingColumn(const QString &fileName, const QString &column);
    // The system's reason for a failed open (an errno value), in Italian like
    // every other text.
    static QString systemCause(int error);

    const QString &message() const { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};
