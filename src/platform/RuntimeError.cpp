// SPDX-License-Identifier: MIT
// The game's run-time error and its report text.
#include "RuntimeError.h"

RuntimeError::RuntimeError(Number number, const QString &fileName)
    : std::runtime_error(QStringLiteral("Run-time error %1: %2")
                             .arg(int(number))
                             .arg(descriptionOf(number))
                             .toStdString()),
      m_number(number),
      m_fileName(fileName)
{
}

QString RuntimeError::description() const
{
    return descriptionOf(m_number);
}

QString RuntimeError::descriptionOf(Number number)
{
    switch (number) {
    case Overflow: return QStringLiteral("Overflow");
    case OutOfMemory: return QStringLiteral("Out of memory");
    case SubscriptOutOfRange: return QStringLiteral("Subscript out of range");
    case TypeMismatch: return QStringLiteral("Type mismatch");
    case FileNotFound: return QStringLiteral("File not found");
    case PathFileAccessError: return QStringLiteral("Path/File access error");
    }
    return QStringLiteral("Application-defined or object-defined error");
}

QString RuntimeError::report() const
{
    QString text = QStringLiteral("Run-time error '%1':\n\n%2").arg(int(m_number)).arg(description());
    if (!m_fileName.isEmpty())
        text += QStringLiteral("\n\n%1").arg(m_fileName);
    return text;
}
