// SPDX-License-Identifier: MIT
// The settings store: the five-rank high-score table and the sound switch,
// read from Typhoros.ini beside the program at start-up and written through
// on every change, merged with what the file holds by then (another game may
// share it).
#pragma once

#include "platform/DataFolders.h"

#include "platform/IniDocument.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <vector>

class World;

class clsSetup
{
public:
    static constexpr int Ranks = 5;

    // Reads Typhoros.ini (the per-user copy in `folders` when there is one,
    // else the program folder's), taking the defaults (score 0, holder "Err",
    // date 1970/1/1 00:00, sound off) for whatever is missing or unreadable;
    // writes nothing. The clock of `world` dates new entries; `world` must
    // outlive the store.
    clsSetup(World &world, const DataFolders &folders);

    // The score of rank 1 (best) to 5. Throws RuntimeError
    // SubscriptOutOfRange (9) for any other rank; so do the other rank readers.
    qint32 Score(qint16 intRank) const;

    // Offers a score: enters it at the first rank whose score is strictly
    // lower, moving the entries below down whole and dropping the last, dates
    // it now and writes the whole table in one crash-safe write. Returns the
    // rank, or -1 (table and file unchanged) when it does not rank. In memory
    // the new rank keeps the holder it had until SetScoreHolder names the
    // player; the file names no one for it meanwhile (PendingN, a ticket
    // unique to this entry, stands where HolderN goes), so a game that never
    // gets the name credits the score to nobody.
    // Every change (this one, SetScoreHolder, setSoundOnOff) is made under
    // the table's writer lock, to the table the file holds at that moment,
    // and the store then holds the result. Where the file cannot be read or
    // written, or holds no table (emptied), or the lock is not had within
    // 2 s, the store's own table stands and the failure is silent; an entry
    // of this game's that the file does not hold yet, with its name if it has
    // one, is entered by the next write that succeeds, whole.
    qint16 SetScore(qint32 lngScore);

    // The holder of the rank; the empty text when it is absent.
    QString ScoreHolder(qint16 intRank) const;

    // Sets the holder of the rank and writes HolderN; an absent name
    // (cancelled prompt) removes the key instead. After SetScore, the name
    // goes to the entry that score made, found by its ticket wherever other
    // games have moved it since (nowhere, when they have pushed it out of
    // the table), and never beside any other score: an entry whose own
    // write was refused is written with its name.
    void SetScoreHolder(qint16 intRank, const std::optional<QString> &strName);

    // The rank's date in the locale's general form (date alone at midnight).
    QString ScoreDate(qint16 intRank) const;

    // The sound switch; writing stores "True" or "False" at once.
    bool SoundOnOff() const { return blnSoundOn; }
    void setSoundOnOff(bool blnSound);

    // The settings file's full path: the one read at start-up, or the
    // per-user copy once a write went there. A settings file the player may
    // not write at all (a system-wide install, a file its owner made
    // read-only) is never locked for a write: the change goes straight to
    // the per-user copy, so nobody holding the program folder's lock can
    // keep it from being saved.
    QString iniFile() const { return strIniFile; }

private:
    struct typHiScore {
        qint32 score = 0;
        std::optional<QString> holder;
        QDateTime date;
        // While the entry waits for its player's name: the ticket by which
        // the game that made it finds it again (PendingN). Empty otherwise.
        QString ticket;
        // The ticket it was made with, kept in memory once named.
        QString id;
    };
    using Table = std::array<typHiScore, Ranks>;

    // What the store makes of a settings document.
    struct Contents {
        Table table;
        bool soundOn = false;
        // Whether the document holds a table, and a sound switch, at all.
        bool hasTable = false;
        bool hasSound = false;
    };
    struct Merged {
        IniDocument ini;
        Contents contents;
    };
    // A change: applied to the file's contents as they are now, and to the
    // document, whose lines it edits.
    using Change = std::function<void(Contents &, IniDocument &)>;

    // An entry this game made, until the file holds it with its name.
    struct OwnEntry {
        typHiScore entry; // as SetScore made it, and the name once given
        bool named = false;
        bool inFile = false; // a write holding the entry succeeded
    };

    const typHiScore &entry(qint16 intRank) const;
    void WriteProfile(const Change &change);
    void WriteOwnCopy(const QString &own, const Change &change);
    Merged Merge(const QString &file, const Change &change) const;
    void Replay(Contents &contents, IniDocument &ini) const;
    void Saved(const Merged &merged, const QString &file);
    void Keep(const Contents &contents);
    QString OwnCopy() const;
    static int Find(const Table &table, const typHiScore &entry);
    static int Enter(Table &table, const typHiScore &entry);
    static void WriteTable(IniDocument &ini, const Table &table);
    static Contents Parse(const IniDocument &ini);
    static void WriteHolder(IniDocument &ini, int rank, const typHiScore &entry);
    static QString TrimNull(const QString &text);

    World &m_world;
    DataFolders m_folders;
    bool blnSoundOn = false;
    Table udtHiScore;
    QString strIniFile;
    // strIniFile's bytes as this store last read or wrote them.
    QByteArray m_knownBytes;
    // This game's entries that the file does not hold whole yet, oldest
    // first; the last SetScore's is the last.
    std::vector<OwnEntry> m_own;
};
