#include "testdatabase.h"

#include "ciphersettings.h"
#include "originlookup.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <sqlite3.h>

void TestDatabase::createComuni(const QString &path, const QStringList &rows)
{
    QStringList statements {
        u"CREATE TABLE Comuni (Targa TEXT, Ist TEXT, Zona TEXT, Citta TEXT);"_qs};
    for (const QString &row : rows)
        statements.append(u"INSERT INTO Comuni VALUES "_qs + row + u';');
    create(path, statements, password());
}

void TestDatabase::create(
    const QString &path, const QStringList &statements, const QByteArray &passphrase)
{
    QFile::remove(path);
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    QCOMPARE(CipherSettings::apply(db, passphrase), SQLITE_OK);
    for (const QString &statement : statements) {
        char *error = nullptr;
        const int rc = sqlite3_exec(db, statement.toUtf8().constData(), nullptr, nullptr, &error);
        QVERIFY2(rc == SQLITE_OK, error);
    }
    QCOMPARE(sqlite3_close(db), SQLITE_OK);
}

void TestDatabase::createFault(const QString &path, Fault fault, const QByteArray &good)
{
    QFile::remove(path);
    const QString schema = u"CREATE TABLE Comuni (Targa, Ist, Zona, Citta);"_qs;
    switch (fault) {
    case Fault::Missing:
        break;
    case Fault::Empty:
        write(path, {});
        break;
    case Fault::Folder:
        QVERIFY(QDir().mkdir(path));
        break;
    case Fault::Text:
        write(path, "Questo non è un database.\n");
        break;
    case Fault::Random: {
        QByteArray bytes(64 * 1024, '\0');
        for (qsizetype i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * 2654435761u) >> 13);
        write(path, bytes);
        break;
    }
    case Fault::Plain:
        create(path, {schema}, {});
        break;
    case Fault::OtherPassword:
        create(path, {schema}, "µ#Q§w7~ÞL=k¬3ð+Rx¹mÅ");
        break;
    case Fault::Truncated:
        write(path, good.left(good.size() / 2));
        break;
    case Fault::NoTable:
        create(path, {u"CREATE TABLE Comune (Targa, Ist, Zona, Citta);"_qs}, password());
        break;
    case Fault::NoColumn:
        create(path,
            {u"CREATE TABLE Comuni (Targa, Ist, Nome, Citta);"_qs,
                u"INSERT INTO Comuni VALUES ('IT-ITA', NULL, 'Italia', NULL);"_qs},
            password());
        break;
    }
}

void TestDatabase::write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray TestDatabase::password()
{
    return OriginLookup::Password.toUtf8();
}

QByteArray TestDatabase::contents(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}
