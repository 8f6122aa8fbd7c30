// SPDX-License-Identifier: MIT
// File helpers for tests: temporary program folders and byte-exact files.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace TestFiles {

// Writes `bytes` to `path`; fails the test process on error.
void write(const QString &path, const QByteArray &bytes);

// The bytes of `path`, or an empty array when it cannot be read.
QByteArray read(const QString &path);

// Writes Mondai0.txt to Mondai3.txt into `dir`, each holding `questions[i]`
// as code page 932 lines with CR LF ends.
void writeQuestionFiles(const QString &dir, const QList<QStringList> &questions);

} // namespace TestFiles
