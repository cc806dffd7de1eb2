#pragma once

// The settings a test works on: the application's own settings file inside
// the private configuration folder the test runner provides (or a temporary
// one when a test is started by hand), never the user's real one.

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace SettingsSandbox {

// Call first, before any settings object is made.
inline void setUp()
{
    static QTemporaryDir dir;
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"))
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    QCoreApplication::setOrganizationName("Pairvue");
    QCoreApplication::setApplicationName("Pairvue");
}

// Replaces the file as another process would, each time with a new
// modification time, so every settings object notices.
inline void writeFile(const QByteArray& text)
{
    static int generation = 0;
    QFile file(QSettings().fileName());
    QDir().mkpath(QFileInfo(file).absolutePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
            file.write(text) == text.size());
    QVERIFY(file.setFileTime(QDateTime::fromSecsSinceEpoch(1'700'000'000 + 60 * ++generation),
                             QFileDevice::FileModificationTime));
}

inline QByteArray readFile()
{
    QFile file(QSettings().fileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The raw text of one [General] entry as it stands in the file.
inline QByteArray fileEntry(const QString& key)
{
    const QByteArray prefix = key.toUtf8() + '=';
    for (const QByteArray& line : readFile().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size());
    return QByteArray();
}

} // namespace SettingsSandbox
