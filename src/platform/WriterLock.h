// SPDX-License-Identifier: MIT
// The lock shared by every game of every user that writes one settings file,
// which only an account that may write that file can take.
#pragma once

#include <QString>

class WriterLock
{
public:
    enum class Use {
        Write, // makes the lock file where there is none yet
        Read,  // makes nothing: a reader locks only what writers made
    };

    // Locks the file `file` names: `file` itself or, for a symbolic link,
    // the file at the end of its chain, which is the one written. What is
    // locked (an exclusive flock) depends on how that file is written:
    // - in a folder the player may write (files there are replaced whole),
    //   the lock file `.NAME.lock` beside it, made on first use with mode
    //   0600 plus the folder's own group and other write bits, so that no
    //   account that may not write the folder can even open it;
    // - in a folder the player may not write, the file itself when the
    //   player may write it (it is then updated in place, by every account
    //   that shares it);
    // - anything else (a file the player cannot write at all) is not locked:
    //   nothing is held, nothing is waited for, and the write that follows
    //   is refused anyway.
    // Waits at most `waitMs` for another holder, then gives up (busy())
    // rather than blocking the game. What cannot be opened is not locked and
    // not busy. The lock is dropped when the object goes, or when its
    // process ends however it ends.
    explicit WriterLock(const QString &file, Use use = Use::Write, int waitMs = 2000);
    ~WriterLock();
    WriterLock(const WriterLock &) = delete;
    WriterLock &operator=(const WriterLock &) = delete;

    // Another holder kept the lock for the whole wait.
    bool busy() const { return m_busy; }

private:
    int m_fd = -1;
    bool m_busy = false;
};
