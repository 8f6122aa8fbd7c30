// SPDX-License-Identifier: MIT
// The settings store: the five-rank high-score table and the sound switch,
// read once from Typhoros.ini beside the program and written through on every
// change.
#pragma once

#include "platform/DataFolders.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <functional>
#include <optional>

class IniDocument;
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
    // rank, or -1 (table and file unchanged) when it does not rank. The new
    // rank keeps the holder it had until SetScoreHolder names the player.
    qint16 SetScore(qint32 lngScore);

    // The holder of the rank; the empty text when it is absent.
    QString ScoreHolder(qint16 intRank) const;

    // Sets the holder of the rank and writes HolderN; an absent name
    // (cancelled prompt) removes the key instead.
    void SetScoreHolder(qint16 intRank, const std::optional<QString> &strName);

    // The rank's date in the locale's general form (date alone at midnight).
    QString ScoreDate(qint16 intRank) const;

    // The sound switch; writing stores "True" or "False" at once.
    bool SoundOnOff() const { return blnSoundOn; }
    void setSoundOnOff(bool blnSound);

    // The settings file's full path: the one read at start-up, or the
    // per-user copy once the program folder refused a write.
    QString iniFile() const { return strIniFile; }

private:
    struct typHiScore {
        qint32 score = 0;
        std::optional<QString> holder;
        QDateTime date;
    };

    const typHiScore &entry(qint16 intRank) const;
    void WriteProfile(const std::function<void(IniDocument &)> &change);
    static QString TrimNull(const QString &text);

    World &m_world;
    DataFolders m_folders;
    bool blnSoundOn = false;
    std::array<typHiScore, Ranks> udtHiScore;
    QString strIniFile;
};
