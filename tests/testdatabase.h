// Kelvo.bmp files for the tests, sound or broken, made in the current folder.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class TestDatabase
{
public:
    // The table Comuni with these rows, each an SQL VALUES tuple such as
    // "('VR', '015', 'Bussolengo', 'Verona')".
    static void createComuni(const QString &path, const QStringList &rows);
    // Statements run on a new database keyed with passphrase (plain if empty).
    static void create(
        const QString &path, const QStringList &statements, const QByteArray &passphrase);

    // Ways for the file at path to be unreadable; good is a sound file's bytes.
    enum class Fault {
        Missing, Empty, Folder, Text, Random, Plain, OtherPassword, Truncated, NoTable, NoColumn,
        Pipe, DeviceLink
    };
    static void createFault(const QString &path, Fault fault, const QByteArray &good);

    static void write(const QString &path, const QByteArray &bytes);
    static QByteArray contents(const QString &path);
};
