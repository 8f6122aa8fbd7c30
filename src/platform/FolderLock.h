// SPDX-License-Identifier: MIT
// An advisory lock on a folder, shared by every game of every user that
// writes a settings file there.
#pragma once

#include <QString>

class FolderLock
{
public:
    // Locks the folder that holds the file `file` names: `file` itself or,
    // for a symbolic link, the file at the end of its chain, which is the one
    // written (an exclusive flock on the folder itself, which needs no write
    // permission there, so it works in a shared folder the player may not
    // write). Waits at most `waitMs` for another holder, then gives up
    // (busy()) rather than blocking the game. A folder that cannot be opened
    // cannot be locked by anyone: then the object holds nothing and is not
    // busy. The lock is dropped when the object goes, or when its process
    // ends however it ends.
    explicit FolderLock(const QString &file, int waitMs = 2000);
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    // Another holder kept the lock for the whole wait.
    bool busy() const { return m_busy; }

private:
    int m_fd = -1;
    bool m_busy = false;
};
