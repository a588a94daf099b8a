// Every state of Kelvo.bmp that keeps the lookup from reading it gives at once
// a clear message naming the file and the cause, writes and creates nothing,
// and the next search works once the file is put right.
#include "eggcode.h"
#include "labelstub.h"
#include "originlookup.h"
#include "storeerror.h"
#include "testdatabase.h"

#include "ciphersettings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

namespace {

const QString File = u"Kelvo.bmp"_qs;
const QString Found = u"Italia|Bussolengo|Verona"_qs;

// Searches 1IT015VR001: the error message, or the places found.
QString search()
{
    LabelStub labels;
    try {
        OriginLookup::run(*DecodeEggCode(u"1IT015VR001"_qs), labels);
    } catch (const StoreError &error) {
        return error.message();
    }
    return QStringList(labels.captions.begin() + 1, labels.captions.end()).join(u'|');
}

// The folder's entries; plain files with their bytes (a pipe is never read).
QMap<QString, QByteArray> snapshot()
{
    QMap<QString, QByteArray> files;
    for (const QFileInfo &info : QDir().entryInfoList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot))
        files.insert(info.fileName(), info.isFile() && !info.isSymLink() ? TestDatabase::contents(info.fileName()) : QByteArray("<special>"));
    return files;
}

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { QDir::setCurrent(m_previousDir); }
    void faults_data();
    void faults();
    void lockedByAWriter();
    void readOnlyIsNoFault();

private:
    QTemporaryDir m_dir;
    QString m_previousDir;
    const QByteArray m_shipped = TestDatabase::contents(QStringLiteral(KELVO_BMP));
};

void TestFaults::init()
{
    m_previousDir = QDir::currentPath();
    const QString folder = m_dir.filePath(QString::number(qHash(QTest::currentTestFunction() + QByteArray(QTest::currentDataTag()))));
    QVERIFY(QDir().mkpath(folder) && QDir::setCurrent(folder));
}

using Fault = TestDatabase::Fault;

void TestFaults::faults_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("cause");

    QTest::newRow("missing") << Fault::Missing << u"non si trova nella cartella di lavoro"_qs;
    QTest::newRow("empty") << Fault::Empty << u"è vuoto"_qs;
    QTest::newRow("a folder") << Fault::Folder << u"è una cartella"_qs;
    QTest::newRow("a named pipe") << Fault::Pipe << u"non è un file"_qs;
    QTest::newRow("a link to /dev/zero") << Fault::DeviceLink << u"non è un file"_qs;
    QTest::newRow("plain SQLite") << Fault::Plain << u"non è cifrato"_qs;
    QTest::newRow("another password") << Fault::OtherPassword << u"un'altra password"_qs;
    QTest::newRow("random bytes") << Fault::Random << u"un'altra password"_qs;
    QTest::newRow("text") << Fault::Text << u"un'altra password"_qs;
    QTest::newRow("truncated") << Fault::Truncated << u"danneggiato"_qs;
    QTest::newRow("table Comuni missing") << Fault::NoTable << u"manca la tabella Comuni"_qs;
    QTest::newRow("column Zona missing") << Fault::NoColumn << u"manca la colonna Zona"_qs;
}

void TestFaults::faults()
{
    QFETCH(Fault, fault);
    QFETCH(QString, cause);

    TestDatabase::createFault(File, fault, m_shipped);
    const auto before = snapshot();
    QElapsedTimer clock;
    clock.start();
    const QString message = search();
    QVERIFY2(clock.elapsed() < 5000, "the lookup must not hang on the file");
    QVERIFY2(message.contains(File) && message.contains(cause), qPrintable(message));
    QCOMPARE(snapshot(), before);

    QVERIFY(QFile::remove(File) || QDir().rmdir(File) || fault == Fault::Missing);
    TestDatabase::write(File, m_shipped);
    QCOMPARE(search(), Found);
}

// Another program in the middle of a write holds the file's exclusive lock.
void TestFaults::lockedByAWriter()
{
    TestDatabase::write(File, m_shipped);
    sqlite3 *writer = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(File).constData(), &writer), SQLITE_OK);
    QCOMPARE(CipherSettings::apply(writer, OriginLookup::Password.toUtf8()), SQLITE_OK);
    QCOMPARE(sqlite3_exec(writer, "BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr), SQLITE_OK);
    const QString message = search();
    QVERIFY2(message.contains(File) && message.contains(u"bloccato"), qPrintable(message));
    sqlite3_exec(writer, "ROLLBACK;", nullptr, nullptr, nullptr);
    sqlite3_close(writer);
    QCOMPARE(TestDatabase::contents(File), m_shipped);
    QCOMPARE(search(), Found);
}

void TestFaults::readOnlyIsNoFault()
{
    TestDatabase::write(File, m_shipped);
    const QString folder = QDir::currentPath();
    QVERIFY(QFile::setPermissions(File, QFile::ReadOwner));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    const auto before = snapshot();
    QCOMPARE(search(), Found);
    QCOMPARE(snapshot(), before);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
