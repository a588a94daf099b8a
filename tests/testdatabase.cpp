#include "testdatabase.h"

#include "ciphersettings.h"
#include "originlookup.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <sqlite3.h>
#include <sys/stat.h>

void TestDatabase::createComuni(const QString &path, const QStringList &rows)
{
    QStringList statements {u"CREATE TABLE Comuni (Targa TEXT, Ist TEXT, Zona TEXT, Citta TEXT);"_qs};
    for (const QString &row : rows)
        statements.append(u"INSERT INTO Comuni VALUES "_qs + row + u';');
    create(path, statements, OriginLookup::Password.toUtf8());
}

void TestDatabase::create(
    const QString &path, const QStringList &statements, const QByteArray &passphrase)
{
    QFile::remove(path);
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    QCOMPARE(CipherSettings::apply(db, passphrase), SQLITE_OK);
    for (const QString &statement : statements)
        QCOMPARE(sqlite3_exec(db, statement.toUtf8().constData(), nullptr, nullptr, nullptr),
            SQLITE_OK);
    QCOMPARE(sqlite3_close(db), SQLITE_OK);
}

void TestDatabase::createFault(const QString &path, Fault fault, const QByteArray &good)
{
    QFile::remove(path);
    const QByteArray password = OriginLookup::Password.toUtf8();
    QByteArray random(64 * 1024, '\0');
    for (qsizetype i = 0; i < random.size(); ++i)
        random[i] = char((i * 2654435761u) >> 13);
    switch (fault) {
    case Fault::Missing: break;
    case Fault::Empty: write(path, {}); break;
    case Fault::Folder: QVERIFY(QDir().mkdir(path)); break;
    case Fault::Text: write(path, "Questo non è un database.\n"); break;
    case Fault::Random: write(path, random); break;
    case Fault::Plain: create(path, {u"CREATE TABLE Comuni (Targa, Ist, Zona, Citta);"_qs}, {}); break;
    case Fault::OtherPassword: create(path, {u"CREATE TABLE Comuni (Targa);"_qs}, password + 'x'); break;
    case Fault::Truncated: write(path, good.left(good.size() / 2)); break;
    case Fault::NoTable: create(path, {u"CREATE TABLE Comune (Targa, Ist, Zona, Citta);"_qs}, password); break;
    case Fault::NoColumn:
        create(path, {u"CREATE TABLE Comuni (Targa, Ist, Nome, Citta);"_qs,
            u"INSERT INTO Comuni VALUES ('IT-ITA', NULL, 'Italia', NULL);"_qs}, password);
        break;
    case Fault::Pipe: QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0644), 0); break;
    case Fault::DeviceLink: QVERIFY(QFile::link(u"/dev/zero"_qs, path)); break;
    }
}

void TestDatabase::write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray TestDatabase::contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
