// A connection to the encrypted database file, in the manner of a classic
// data-access connection: choose the provider, set its password property,
// then open with a connection text such as "Data Source=Kelvo.bmp".
// The file is opened read-only and is never created; closing the connection
// closes the record set open on it, and destroying it closes it.
#pragma once

#include <QByteArray>
#include <QString>

struct sqlite3;
class Recordset;

class Connection
{
public:
    // The provider name this store answers to, and its password property.
    static const QString Provider;
    static const QString PasswordProperty;

    Connection() = default;
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Only while closed.
    void setProvider(const QString &provider);
    void setProperty(const QString &name, const QString &value);

    // userName and password are those of a user account, which this store has
    // none of; options -1 asks for an open that completes before it returns.
    void open(const QString &connectionText, const QString &userName, const QString &password,
        int options);
    void close();
    bool isOpen() const { return m_db != nullptr; }

    // The file name as the connection text gives it, for messages.
    const QString &fileName() const { return m_fileName; }

private:
    friend class Recordset;

    sqlite3 *m_db = nullptr;
    QString m_provider;
    QByteArray m_passphrase;
    QString m_fileName;
    Recordset *m_recordset = nullptr;
};
