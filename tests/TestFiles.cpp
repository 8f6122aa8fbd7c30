// SPDX-License-Identifier: MIT
// File helpers for tests.
#include "TestFiles.h"

#include "platform/Cp932.h"

#include <QDir>
#include <QFile>
#include <cstdio>
#include <cstdlib>

namespace TestFiles {

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::abort();
    }
}

QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeQuestionFiles(const QString &dir, const QList<QStringList> &questions)
{
    for (int level = 0; level < 4; ++level) {
        QByteArray bytes;
        for (const QString &q : questions.value(level))
            bytes += Cp932::encode(q) + "\r\n";
        write(QDir(dir).filePath(QStringLiteral("Mondai%1.txt").arg(level)), bytes);
    }
}

} // namespace TestFiles
