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

using Fault = TestDatabase::Fault;

void TestFaults::faults_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("cause");

    QTest::newRow("missing") << Fault::Missing << u"non si trova nella cartella di lavoro"_qs;
    QTest::newRow("empty") << Fault::Empty << u"è vuoto"_qs;
    QTest::newRow("a folder") << Fault::Folder << u"è una cartella"_qs;
    QTest::newRow("plain SQLite") << Fault::Plain << u"non è cifrato"_qs;
    QTest::newRow("another password") << Fault::OtherPassword << u"un'altra password"_qs;
    QTest::newRow("truncated in the middle") << Fault::Truncated << u"danneggiato"_qs;
    QTest::newRow("random bytes") << Fault::Random << u"un'altra password"_qs;
    QTest::newRow("text") << Fault::Text << u"un'altra password"_qs;
    QTest::newRow("table Comuni missing") << Fault::NoTable << u"manca la tabella Comuni"_qs;
    QTest::newRow("column Zona missing") << Fault::NoColumn << u"manca la colonna Zona"_qs;
}

void TestFaults::faults()
{
    QFETCH(Fault, fault);
    QFETCH(QString, cause);

    TestDatabase::createFault(File, fault, m_shipped);
    const auto before = snapshot();

    const QString message = search();
    QVERIFY2(message.contains(File), qPrintable(message));
    QVERIFY2(message.contains(cause), qPrintable(message));
    QCOMPARE(snapshot(), before); // nothing written, nothing created

    // Put right, the next search works.
    if (fault == Fault::Folder)
        QVERIFY(QDir().rmdir(File));
    TestDatabase::write(File, m_shipped);
    QCOMPARE(search(), u"Italia|Bussolengo|Verona"_qs);
}

// Another program in the middle of writing holds the file's exclusive lock.
void TestFaults::lockedByAnotherProcess()
{
    TestDatabase::write(File, m_shipped);
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

    TestDatabase::write(File, m_shipped);
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
