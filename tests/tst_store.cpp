#include "connection.h"
#include "originlookup.h"
#include "recordset.h"
#include "storeerror.h"
#include "testdatabase.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TestStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void rowsInStoreOrder();
    void emptyResultIsEof();
    void nullAndEmptyAreDistinct();
    void parametersAreBoundAsText();
    void closingTheConnectionClosesTheRecordset();
    void connectionCanBeOpenedAgain();
    void passwordNeedsTheProvider();
    void unknownProviderIsRefused();
    void recordsetNeedsAnOpenConnection();

private:
    void open(Connection &connection);

    QTemporaryDir m_dir;
    QString m_previousDir;
};

void TestStore::initTestCase()
{
    m_previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir.path()));
    TestDatabase::createComuni(u"Kelvo.bmp"_qs,
        {u"('B', '2', 'due', NULL)"_qs, u"('A', '1', '', 'uno')"_qs,
            u"('C', '3', 'tre', 'tre')"_qs});
}

void TestStore::cleanupTestCase()
{
    QDir::setCurrent(m_previousDir);
}

void TestStore::open(Connection &connection)
{
    connection.setProvider(Connection::Provider);
    connection.setProperty(Connection::PasswordProperty, OriginLookup::Password);
    connection.open(u"Data Source=Kelvo.bmp"_qs, {}, {}, -1);
}

void TestStore::rowsInStoreOrder()
{
    Connection connection;
    open(connection);
    Recordset rows;
    rows.open(u"SELECT * FROM Comuni;"_qs, connection, 3, 2, -1);
    QStringList targhe;
    for (; !rows.eof(); rows.moveNext())
        targhe.append(*rows.field(u"targa"_qs));
    QCOMPARE(targhe, (QStringList {u"B"_qs, u"A"_qs, u"C"_qs}));
    QVERIFY_THROWS_EXCEPTION(StoreError, rows.moveNext());
}

void TestStore::emptyResultIsEof()
{
    Connection connection;
    open(connection);
    Recordset rows;
    rows.open(u"SELECT * FROM Comuni WHERE Targa = 'Z';"_qs, connection, 3, 2, -1);
    QVERIFY(rows.eof());
    QVERIFY_THROWS_EXCEPTION(StoreError, rows.field(u"Zona"_qs));
}

void TestStore::nullAndEmptyAreDistinct()
{
    Connection connection;
    open(connection);
    Recordset rows;
    rows.open(u"SELECT * FROM Comuni;"_qs, connection, 3, 2, -1);
    QCOMPARE(rows.field(u"Citta"_qs), std::nullopt);
    rows.moveNext();
    QCOMPARE(rows.field(u"Zona"_qs), std::optional<QString>(u""_qs));
}

void TestStore::parametersAreBoundAsText()
{
    Connection connection;
    open(connection);
    Recordset rows;
    rows.open(u"SELECT * FROM Comuni WHERE Targa = ? AND Ist = ?;"_qs, connection, 3, 2, -1,
        {u"C"_qs, u"3"_qs});
    QCOMPARE(rows.field(u"Zona"_qs), std::optional<QString>(u"tre"_qs));
    connection.close();
    open(connection);
    rows.open(u"SELECT * FROM Comuni WHERE Targa = ?;"_qs, connection, 3, 2, -1, {u"' OR ''='"_qs});
    QVERIFY(rows.eof());
}

void TestStore::closingTheConnectionClosesTheRecordset()
{
    Connection connection;
    open(connection);
    Recordset rows;
    rows.open(u"SELECT * FROM Comuni;"_qs, connection, 3, 2, -1);
    QVERIFY(rows.isOpen());
    connection.close();
    QVERIFY(!connection.isOpen());
    QVERIFY(!rows.isOpen());
    QVERIFY(rows.eof());
}

void TestStore::connectionCanBeOpenedAgain()
{
    Connection connection;
    Recordset rows;
    for (int i = 0; i < 3; ++i) {
        open(connection);
        rows.open(u"SELECT * FROM Comuni;"_qs, connection, 3, 2, -1);
        QCOMPARE(rows.field(u"Zona"_qs), std::optional<QString>(u"due"_qs));
        connection.close();
    }
    open(connection);
    QVERIFY_THROWS_EXCEPTION(StoreError, open(connection));
}

void TestStore::passwordNeedsTheProvider()
{
    Connection connection;
    QVERIFY_THROWS_EXCEPTION(
        StoreError, connection.setProperty(Connection::PasswordProperty, u"x"_qs));
    connection.setProvider(Connection::Provider);
    QVERIFY_THROWS_EXCEPTION(StoreError, connection.setProperty(u"Password"_qs, u"x"_qs));
}

void TestStore::unknownProviderIsRefused()
{
    Connection connection;
    connection.setProvider(u"SQLOLEDB"_qs);
    QVERIFY_THROWS_EXCEPTION(StoreError, connection.open(u"Data Source=Kelvo.bmp"_qs, {}, {}, -1));
    QVERIFY(!connection.isOpen());
}

void TestStore::recordsetNeedsAnOpenConnection()
{
    Connection connection;
    Recordset rows;
    QVERIFY_THROWS_EXCEPTION(
        StoreError, rows.open(u"SELECT * FROM Comuni;"_qs, connection, 3, 2, -1));
}

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
