// The origin lookup: its rules on small tables, real codes on the shipped
// Kelvo.bmp, and every state of the file that keeps it from being read.
#include "eggcode.h"
#include "storeerror.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace TestSupport;
const QString File = u"Kelvo.bmp"_s;

// a2 to a4 as the tables give them, after the store's message if it failed.
QString lookUp(const QString &code, LabelStub labels = {})
{
    labels.captions[0] = FarmingTypeName(code.left(1)); // as the window has set it
    QString message;
    try {
        OriginLookup::run(*DecodeEggCode(code), labels);
    } catch (const StoreError &error) {
        message = error.message() + u' ';
    }
    QStringList shown;
    for (int i = 1; i < 4; ++i) // "?" for the not-found marker, "*" after a caption in red
        shown.append(
            (labels.captions[i] == OriginLookup::NotFoundMarker ? u"?"_s : labels.captions[i])
            + (labels.colors[i] == OriginLookup::NotFoundColor ? u"*"_s : u""_s));
    if (labels.captions[0] != FarmingTypeName(code.left(1)) || labels.colors[0] != labels.Untouched)
        shown.append(u"a1 changed"_s);
    return message + shown.join(u'|');
}

// The folder's entries, and the bytes of Kelvo.bmp if it is a plain file (a pipe is never read).
std::pair<QStringList, QByteArray> snapshot()
{
    const QFileInfo file(File);
    return {QDir().entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
        file.isFile() && !file.isSymLink() ? contents(File) : QByteArray()};
}

bool chmod(const QString &path, mode_t mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

} // namespace

class TestOriginLookup : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void rules_data() { addRows("lookup"); }
    void rules();
    void faults_data() { addRows("faults"); }
    void faults();

private:
    QTemporaryDir m_dir;
    const QByteArray m_shipped = contents(QStringLiteral(KELVO_BMP));
};

// Each test in a folder of its own.
void TestOriginLookup::init()
{
    const QByteArray name = QTest::currentTestFunction() + QByteArray(QTest::currentDataTag());
    const QString folder = m_dir.filePath(QString::number(qHash(name)));
    QVERIFY(QDir().mkpath(folder) && QDir::setCurrent(folder));
}

void TestOriginLookup::rules()
{
    QFETCH(QStringList, row);
    if (row[1] == u"shipped")
        QVERIFY(QDir::setCurrent(QFileInfo(QStringLiteral(KELVO_BMP)).absolutePath()));
    else if (row[1].startsWith(u"file:"))
        QVERIFY(QFile::copy(QStringLiteral(TEST_DATA) + row[1].sliced(5), File));
    else
        createComuni(File, row[1] == u"-" ? QStringList() : row[1].split(u" + "_s));
    const QByteArray before = contents(File);
    LabelStub labels; // as an earlier search without an edit since may have left them
    for (int i = 1; i < 4 && row.size() > 4; ++i)
        labels.captions[i]
            = row[4].section(u'|', i - 1, i - 1).replace(u"?"_s, OriginLookup::NotFoundMarker);
    QCOMPARE(lookUp(row[2], labels), row[3]);
    QCOMPARE(contents(File), before);
}

// A clear message naming the file at once, nothing written or created, and
// the next search works once the file is put right.
void TestOriginLookup::faults()
{
    QFETCH(QStringList, row);
    const QString how = row[1].section(u':', 0, 0), arg = row[1].section(u':', 1);
    const QByteArray key = OriginLookup::Password.toUtf8();
    QByteArray bytes = how == u"bytes" ? arg.toUtf8() : m_shipped;
    if (how == u"half")
        bytes.truncate(bytes.size() / 2);
    for (qsizetype i = 0; how == u"random" && i < bytes.size(); ++i)
        bytes[i] = char((i * 2654435761u) >> 13);
    if (u"bytes random half unreadable read-only locked"_s.split(u' ').contains(how))
        write(File, bytes);
    QVERIFY(how != u"folder" || QDir().mkdir(File));
    QVERIFY(how != u"fifo" || mkfifo(QFile::encodeName(File).constData(), 0644) == 0);
    QVERIFY(how != u"link" || QFile::link(arg, File));
    QVERIFY(how != u"unreadable" || chmod(File, 0200));
    QVERIFY(how != u"read-only" || (chmod(File, 0400) && chmod(u"."_s, 0500)));
    if (how == u"sql")
        create(File, arg.section(u':', 1),
            arg.startsWith(u"none") ? QByteArray() : key + (arg.startsWith(u"other") ? "x" : ""));
    sqlite3 *writer = nullptr; // another program in the middle of a write
    if (how == u"locked") {
        QCOMPARE(sqlite3_open(QFile::encodeName(File).constData(), &writer), SQLITE_OK);
        QCOMPARE(CipherSettings::apply(writer, key), SQLITE_OK);
        QCOMPARE(sqlite3_exec(writer, "BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr), SQLITE_OK);
    }

    const auto before = snapshot();
    // Root reads any file: search as nobody, who may only pass through the folders.
    const bool asNobody = how == u"unreadable" && geteuid() == 0;
    QVERIFY(!asNobody || (chmod(u"."_s, 0711) && chmod(m_dir.path(), 0711) && seteuid(65534) == 0));
    const QString outcome = lookUp(u"1IT015VR001"_s);
    QVERIFY(!asNobody || seteuid(0) == 0);
    QVERIFY2(outcome.contains(row[2]) && (how == u"read-only" || outcome.contains(File)),
        qPrintable(outcome));
    QCOMPARE(snapshot(), before);

    sqlite3_close(writer);
    QVERIFY(chmod(u"."_s, 0700) && (QFile::remove(File) || QDir().rmdir(File) || how == u"-"));
    write(File, m_shipped);
    QCOMPARE(lookUp(u"1IT015VR001"_s), u"Italia|Bussolengo|Verona"_s);
}

QTEST_GUILESS_MAIN(TestOriginLookup)
#include "tst_originlookup.moc"
