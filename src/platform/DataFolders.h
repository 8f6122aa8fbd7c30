// SPDX-License-Identifier: MIT
// Where the game's files live: the program folder beside the executable and,
// for an install the player cannot write to, the player's own folder, whose
// copies take the place of the program folder's files.
#pragma once

#include <QString>

struct DataFolders {
    // The program folder alone (no per-user folder), as in tests and for a
    // program folder the player owns.
    DataFolders(const QString &programFolder, const QString &userFolder = {})
        : program(programFolder), user(userFolder)
    {
    }

    QString program;
    QString user; // empty: no per-user folder

    // The file to read for `name`: the per-user copy when there is one, else
    // the program folder's; in either folder a file whose name matches in any
    // letter case stands in for a missing exact name (files copied from
    // Windows). With no such file, the exact name in the program folder.
    QString fileToRead(const QString &name) const;

    // `name` in `folder`: the exact name when it exists, else the first
    // entry (in name order) matching it in any letter case, else the exact
    // name, under which a new file is made.
    static QString findIgnoringCase(const QString &folder, const QString &name);

    // The per-user folder of the game: $XDG_DATA_HOME/typhoros, by default
    // ~/.local/share/typhoros. A relative XDG_DATA_HOME or HOME is ignored;
    // without HOME the home comes from the password database. Empty when
    // there is no home to put it in.
    static QString userFolderFromEnvironment();
};
