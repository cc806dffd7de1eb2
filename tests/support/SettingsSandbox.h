#pragma once

// The settings store a test works on: the application's own per-user settings
// file, inside the private configuration folder the test runner provides (or a
// temporary one when a test is started by hand), never the user's real one.

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace SettingsSandbox {

// Call first, before any settings object is made.
inline void setUp()
{
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME")) {
        static QTemporaryDir dir;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    }
    QCoreApplication::setOrganizationName(QStringLiteral("Pairvue"));
    QCoreApplication::setApplicationName(QStringLiteral("Pairvue"));
}

// Replaces the settings file as another process would, each time with a new
// modification time, so every settings object notices the change.
inline void writeFile(const QByteArray& text)
{
    static int generation = 0;
    QFile file(QSettings().fileName());
    QDir().mkpath(QFileInfo(file).absolutePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    QCOMPARE(file.write(text), text.size());
    QVERIFY(file.setFileTime(QDateTime::fromSecsSinceEpoch(1'700'000'000 + 60 * ++generation),
                             QFileDevice::FileModificationTime));
}

inline QByteArray readFile()
{
    QFile file(QSettings().fileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The raw text of one entry of the [General] group as it stands in the file.
inline QByteArray fileEntry(const QString& key)
{
    const QByteArray prefix = key.toUtf8() + '=';
    for (const QByteArray& line : readFile().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size());
    return QByteArray();
}

} // namespace SettingsSandbox
