// SPDX-License-Identifier: MIT
// The game's run-time error: an error number, its description and, where
// one is involved, the file name. Raised wherever the game cannot go on.
#pragma once

#include <QString>
#include <stdexcept>

class RuntimeError : public std::runtime_error
{
public:
    enum Number : int {
        Overflow = 6,
        OutOfMemory = 7,
        SubscriptOutOfRange = 9,
        TypeMismatch = 13,
        FileNotFound = 53,
        PathFileAccessError = 75,
    };

    // An error with the standard description of `number`; `fileName` is shown
    // in the report when it is not empty.
    explicit RuntimeError(Number number, const QString &fileName = {});

    Number number() const { return m_number; }
    QString description() const;
    QString fileName() const { return m_fileName; }

    // The report shown to the player: "Run-time error 'N':", a blank line,
    // the description and, where there is one, the file name.
    QString report() const;

    // The standard description of an error number ("Overflow", ...).
    static QString descriptionOf(Number number);

private:
    Number m_number;
    QString m_fileName;
};
