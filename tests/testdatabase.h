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

    static QByteArray password();
    static QByteArray contents(const QString &path);
};
