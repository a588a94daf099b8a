#include "testdatabase.h"

#include "ciphersettings.h"
#include "originlookup.h"

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
    if (!passphrase.isEmpty())
        QCOMPARE(CipherSettings::apply(db, passphrase), SQLITE_OK);
    for (const QString &statement : statements) {
        char *error = nullptr;
        const int rc = sqlite3_exec(db, statement.toUtf8().constData(), nullptr, nullptr, &error);
        QVERIFY2(rc == SQLITE_OK, error);
    }
    QCOMPARE(sqlite3_close(db), SQLITE_OK);
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
