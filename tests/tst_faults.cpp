// Every state of Kelvo.bmp that keeps the lookup from reading it gives a clear
// message, writes nothing, creates nothing, and does not stop the next search
// from working once the file is put right.
#include "eggcode.h"
#include "labelstub.h"
#include "originlookup.h"
#include "storeerror.h"
#include "testdatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString File = u"Kelvo.bmp"_qs;

// Runs a search of 1IT015VR001; returns the error message, or the places found.
QString search()
{
    LabelStub labels(u"-"_qs);
    try {
        OriginLookup::run(*DecodeEggCode(u"1IT015VR001"_qs), labels);
    } catch (const StoreError &error) {
        return error.message();
    }
    return labels.captions[1] + u'|' + labels.captions[2] + u'|' + labels.captions[3];
}

QMap<QString, QByteArray> snapshot()
{
    QMap<QString, QByteArray> files;
    for (const QFileInfo &info :
        QDir().entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
        files.insert(info.fileName(),
            info.isDir() ? QByteArray("<dir>") : TestDatabase::contents(info.fileName()));
    return files;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void faults_data();
    void faults();
    void lockedByAnotherProcess();
    void readOnlyIsNoFault_data();
    void readOnlyIsNoFault();

private:
    QTemporaryDir m_dir;
    QString m_previousDir;
    QByteArray m_shipped;
};

void TestFaults::initTestCase()
{
    m_shipped = TestDatabase::contents(QStringLiteral(KELVO_BMP));
    QVERIFY(m_shipped.size() > 100000);
}

void TestFaults::init()
{
    m_previousDir = QDir::currentPath();
    const QString folder
        = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_'));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QDir::setCurrent(folder));
}

void TestFaults::cleanup()
{
    QDir::setCurrent(m_previousDir);
}

void TestFaults::faults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("cause");

    QTest::newRow("missing") << u"missing"_qs << u"non si trova nella cartella di lavoro"_qs;
    QTest::newRow("empty") << u"empty"_qs << u"è vuoto"_qs;
    QTest::newRow("a folder") << u"folder"_qs << u"è una cartella"_qs;
    QTest::newRow("plain SQLite") << u"plain"_qs << u"non è cifrato"_qs;
    QTest::newRow("another password") << u"password"_qs << u"un'altra password"_qs;
    QTest::newRow("truncated in the middle") << u"truncated"_qs << u"danneggiato"_qs;
    QTest::newRow("random bytes") << u"random"_qs << u"un'altra password"_qs;
    QTest::newRow("table Comuni missing") << u"table"_qs << u"manca la tabella Comuni"_qs;
    QTest::newRow("column Zona missing") << u"column"_qs << u"manca la colonna Zona"_qs;
}

void TestFaults::faults()
{
    QFETCH(QString, fault);
    QFETCH(QString, cause);

    const QString schema = u"CREATE TABLE Comuni (Targa, Ist, Zona, Citta);"_qs;
    if (fault == u"empty") {
        writeFile(File, {});
    } else if (fault == u"folder") {
        QVERIFY(QDir().mkdir(File));
    } else if (fault == u"plain") {
        TestDatabase::create(File, {schema}, {});
    } else if (fault == u"password") {
        TestDatabase::create(File, {schema}, "µ#Q§w7~ÞL=k¬3ð+Rx¹mÅ");
    } else if (fault == u"truncated") {
        writeFile(File, m_shipped.left(m_shipped.size() / 2));
    } else if (fault == u"random") {
        QByteArray bytes(64 * 1024, '\0');
        for (qsizetype i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * 2654435761u) >> 13);
        writeFile(File, bytes);
    } else if (fault == u"table") {
        TestDatabase::create(
            File, {u"CREATE TABLE Comune (Targa, Ist, Zona, Citta);"_qs}, TestDatabase::password());
    } else if (fault == u"column") {
        TestDatabase::create(File,
            {u"CREATE TABLE Comuni (Targa, Ist, Nome, Citta);"_qs,
                u"INSERT INTO Comuni VALUES ('IT-ITA', NULL, 'Italia', NULL);"_qs},
            TestDatabase::password());
    }
    const auto before = snapshot();

    const QString message = search();
    QVERIFY2(message.contains(File), qPrintable(message));
    QVERIFY2(message.contains(cause), qPrintable(message));
    QCOMPARE(snapshot(), before); // nothing written, nothing created

    // Put right, the next search works.
    if (fault == u"folder")
        QVERIFY(QDir().rmdir(File));
    writeFile(File, m_shipped);
    QCOMPARE(search(), u"Italia|Bussolengo|Verona"_qs);
}

// Another program in the middle of writing holds the file's exclusive lock.
void TestFaults::lockedByAnotherProcess()
{
    writeFile(File, m_shipped);
    QProcess writer;
    writer.start(QStringLiteral(LOCKHOLDER), {File});
    QVERIFY(writer.waitForReadyRead());
    QCOMPARE(writer.readLine().trimmed(), QByteArray("locked"));

    const QString message = search();
    QVERIFY2(message.contains(File) && message.contains(u"bloccato"), qPrintable(message));

    writer.closeWriteChannel();
    QVERIFY(writer.waitForFinished());
    QCOMPARE(TestDatabase::contents(File), m_shipped);
    QCOMPARE(search(), u"Italia|Bussolengo|Verona"_qs);
}

void TestFaults::readOnlyIsNoFault_data()
{
    QTest::addColumn<bool>("readOnlyFolder");
    QTest::newRow("read-only file") << false;
    QTest::newRow("read-only folder") << true;
}

void TestFaults::readOnlyIsNoFault()
{
    QFETCH(bool, readOnlyFolder);

    writeFile(File, m_shipped);
    QVERIFY(QFile::setPermissions(File, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const QString folder = QDir::currentPath();
    const QFile::Permissions folderPermissions = QFile::permissions(folder);
    if (readOnlyFolder)
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    const auto before = snapshot();

    QCOMPARE(search(), u"Italia|Bussolengo|Verona"_qs);
    QCOMPARE(search(), u"Italia|Bussolengo|Verona"_qs);
    QCOMPARE(snapshot(), before);

    QFile::setPermissions(folder, folderPermissions);
    QFile::setPermissions(File, QFile::ReadOwner | QFile::WriteOwner);
}

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
