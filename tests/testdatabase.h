// Small databases for the tests, made in the test's own folder.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class TestDatabase
{
public:
    // A Kelvo.bmp with the usual table and these rows, each an SQL VALUES
    // tuple such as "('VR', '015', 'Bussolengo', 'Verona')".
    static void createComuni(const QString &path, const QStringList &rows);

    // Runs statements on a new database keyed with passphrase, or a plain
    // SQLite file when passphrase is empty.
    static void create(
        const QString &path, const QStringList &statements, const QByteArray &passphrase);

    // Ways of a Kelvo.bmp at path to be unreadable; good is the contents of a
    // sound one, which Truncated cuts in half.
    enum class Fault {
        Missing,
        Empty,
        Folder,
        Text,
        Random,
        Plain,
        OtherPassword,
        Truncated,
        NoTable,
        NoColumn
    };
    static void createFault(const QString &path, Fault fault, const QByteArray &good);

    static void write(const QString &path, const QByteArray &bytes);
    static QByteArray password();
    static QByteArray contents(const QString &path);
};
