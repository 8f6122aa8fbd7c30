// SPDX-License-Identifier: MIT
// Where the game's files live.
#include "DataFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

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
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return data.isEmpty() ? QString() : QDir(data).filePath(QStringLiteral("typhoros"));
}
