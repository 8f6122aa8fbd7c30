// SPDX-License-Identifier: MIT
// An advisory lock on a folder, shared by every game of every user that
// writes a settings file there.
#pragma once

#include <QString>

class FolderLock
{
public:
    // Locks the folder that holds `file` (an exclusive flock on the folder
    // itself, which needs no write permission there, so it works in a shared
    // folder the player may not write). Waits at most `waitMs` for another
    // holder; after that, or when the folder cannot be opened, goes on
    // unlocked (locked() is false) rather than blocking the game. The lock is
    // dropped when the object goes, or when its process ends however it ends.
    explicit FolderLock(const QString &file, int waitMs = 2000);
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    bool locked() const { return m_locked; }

private:
    int m_fd = -1;
    bool m_locked = false;
};
