// SPDX-License-Identifier: MIT
// Where the game's files live.
#include "DataFolders.h"

#include <QDir>
#include <QFileInfo>

#include <pwd.h>
#include <unistd.h>

QString DataFolders::findIgnoringCase(const QString &folder, const QString &name)
{
    const QDir dir(folder);
    const QString exact = dir.filePath(name);
    if (QFileInfo::exists(exact) || QFileInfo(exact).isSymLink())
        return exact;
    const QStringList entries = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    }
    return exact;
}

QString DataFolders::fileToRead(const QString &name) const
{
    if (!user.isEmpty()) {
        const QString own = findIgnoringCase(user, name);
        if (QFileInfo::exists(own))
            return own;
    }
    return findIgnoringCase(program, name);
}

QString DataFolders::userFolderFromEnvironment()
{
    // The XDG rules: a relative XDG_DATA_HOME is ignored, as is a relative
    // HOME; without one the password database says where the home is.
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(data)) {
        QString home = qEnvironmentVariable("HOME");
        if (!QDir::isAbsolutePath(home)) {
            const passwd *entry = ::getpwuid(::getuid());
            home = entry != nullptr && entry->pw_dir != nullptr ? QFile::decodeName(entry->pw_dir) : QString();
        }
        if (!QDir::isAbsolutePath(home))
            return {};
        data = QDir(home).filePath(QStringLiteral(".local/share"));
    }
    return QDir::cleanPath(QDir(data).filePath(QStringLiteral("typhoros")));
}
