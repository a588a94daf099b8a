// What the tests share: the four result labels without a window, Kelvo.bmp
// files made in the current folder, and tables of test rows.
#pragma once

#include "ciphersettings.h"
#include "originlookup.h"
#include "resultlabels.h"

#include <QFile>
#include <QTest>
#include <array>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

class LabelStub : public ResultLabels
{
public:
    static constexpr int Untouched = -1; // colour never set
    std::array<QString, 4> captions {u"-"_s, u"-"_s, u"-"_s, u"-"_s};
    std::array<int, 4> colors {Untouched, Untouched, Untouched, Untouched};

    QString caption(int label) const override { return captions.at(label - 1); }
    void setCaption(int label, const QString &text) override { captions.at(label - 1) = text; }
    void setTextColor(int label, int color) override { colors.at(label - 1) = color; }
};

namespace TestSupport {

// A new database made of these SQL statements, keyed with passphrase (plain if empty).
inline void create(const QString &path, const QString &sql, const QByteArray &passphrase)
{
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    QCOMPARE(CipherSettings::apply(db, passphrase), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    QCOMPARE(sqlite3_close(db), SQLITE_OK);
}

// Kelvo.bmp's table with these rows, each an SQL tuple such as ('VR', '015', 'B', 'Verona').
inline void createComuni(const QString &path, const QStringList &rows)
{
    const QString insert
        = rows.isEmpty() ? QString() : u"INSERT INTO Comuni VALUES "_s + rows.join(u", ") + u';';
    create(path, u"CREATE TABLE Comuni (Targa TEXT, Ist TEXT, Zona TEXT, Citta TEXT);"_s + insert,
        OriginLookup::Password.toUtf8());
}

inline void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(
        file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
}

inline QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The rows of tests/tables/NAME.txt as test data, each in a column "row":
// one a line, cells separated by " | ", the first cell naming the row.
inline void addRows(const char *name)
{
    QTest::addColumn<QStringList>("row");
    const QString path = QTest::qFindTestData(
        u"tables/"_s + QLatin1StringView(name) + u".txt"_s, __FILE__, __LINE__);
    int count = 0;
    for (const QString &line : QString::fromUtf8(contents(path)).split(u'\n', Qt::SkipEmptyParts))
        if (!line.startsWith(u'#') && ++count)
            QTest::newRow(qPrintable(line.section(u" | "_s, 0, 0))) << line.split(u" | "_s);
    if (count == 0)
        qFatal("no rows in %s", qPrintable(path));
}

} // namespace TestSupport
