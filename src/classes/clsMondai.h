// SPDX-License-Identifier: MIT
// A question bank: the lines of one question file, handed out at random.
#pragma once

#include "platform/DataFolders.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

class World;

class clsMondai
{
public:
    // An empty bank. Files are looked up in `folders` (a player's own copy
    // first); draws come from `world`'s random generator, which must outlive
    // the bank.
    clsMondai(World &world, const DataFolders &folders);

    // Replaces the bank's questions with the lines of `strFileName` (a bare
    // name, see DataFolders::fileToRead), read as decodeFile and splitLines
    // say; an empty file gives no question. Throws RuntimeError FileNotFound
    // (53) when the file does not exist, PathFileAccessError (75) when it
    // cannot be read or is no regular file (a FIFO, device or socket, or a
    // link to one: refused unopened), and OutOfMemory (7) when it holds more
    // than MaxFileBytes; each names the file, and the bank is then empty.
    void LoadMondai(const QString &strFileName);

    // The most questions a bank is made for: the draw index of the game's
    // design is a 16-bit value.
    static constexpr qint64 MaxQuestions = 32768;

    // The bytes reckoned per question for the largest file read: a question
    // of 40 full-width characters, wider than any play field, takes 122
    // bytes as UTF-8 with CR LF (82 as code page 932), so 128 give every
    // question of a full bank room for that.
    static constexpr qint64 MaxBytesPerQuestion = 128;

    // The largest question file read, 4 MiB: beyond any bank of the design,
    // and a bound on the memory a hostile file can take. A single line of
    // 4 MiB, at most one character per byte, stays below the 7.28 million
    // characters at which the lane arithmetic overflows.
    static constexpr qint64 MaxFileBytes = MaxQuestions * MaxBytesPerQuestion;

    // One question drawn at random (exactly one random value per call); the
    // empty text when the bank is empty.
    QString GetMondai();

    // Number of questions loaded.
    qint32 count() const { return lngMondaiCount; }

    // The text of a question file: UTF-8 when `bytes` start with its
    // byte-order mark (which is dropped) or are valid UTF-8 throughout, as
    // Linux editors write them; else code page 932, as files written on
    // Windows are. Text read as UTF-8 comes as the answer box would hold it
    // typed in (Cp932::bestFit: 〜 as ～, − as －, a character the code page
    // lacks as "?"), so that a question typed as written hits; bytes that are
    // not UTF-8 after the mark read as U+FFFD.
    static QString decodeFile(QByteArrayView bytes);

    // Splits decoded file text into its lines: a line ends at CR, LF or
    // CR LF, and the line end is not part of it; no empty question follows a
    // final line end.
    static QStringList splitLines(const QString &text);

private:
    World &m_world;
    DataFolders m_folders;
    QStringList strMondai;
    qint32 lngMondaiCount = 0;
};
