// SPDX-License-Identifier: MIT
// The settings store.
#include "clsSetup.h"

#include "platform/FolderLock.h"
#include "platform/IniDocument.h"
#include "platform/Runtime.h"
#include "platform/RuntimeError.h"
#include "platform/World.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

namespace {

const QString HiScore = QStringLiteral("HiScore");
const QString Setup = QStringLiteral("Setup");
const QString DefaultDate = QStringLiteral("1970/1/1 00:00");
const QString IniName = QStringLiteral("Typhoros.ini");

QString key(const char *stem, int rank)
{
    return QLatin1String(stem) + QString::number(rank);
}

// Unique among the entries of every game that shares the file.
QString newTicket()
{
    return QString::number(QRandomGenerator::system()->generate64(), 36);
}

} // namespace

clsSetup::clsSetup(World &world, const DataFolders &folders)
    : m_world(world), m_folders(folders), strIniFile(folders.fileToRead(IniName))
{
    // Under the lock, so that another game's update in place is never read
    // half done.
    const FolderLock lock(strIniFile);
    const IniDocument ini = IniDocument::load(strIniFile);
    m_knownBytes = ini.toBytes();
    const Contents c = Parse(ini);
    udtHiScore = c.table;
    blnSoundOn = c.soundOn;
}

clsSetup::Contents clsSetup::Parse(const IniDocument &ini)
{
    Contents c;
    const QDateTime defaultDate = *Runtime::parseStoredDate(DefaultDate);
    for (int n = 1; n <= Ranks; ++n) {
        typHiScore &e = c.table[n - 1];
        e.score = ini.integer(HiScore, key("Score", n), 0);
        e.holder = TrimNull(ini.string(HiScore, key("Holder", n), QStringLiteral("Err")));
        // A date that cannot be read (a hand-edited file) must not keep the
        // game from starting: it reads as the default date.
        const QString date = TrimNull(ini.string(HiScore, key("Date", n), DefaultDate));
        e.date = Runtime::parseStoredDate(date).value_or(defaultDate);
        e.ticket = TrimNull(ini.string(HiScore, key("Pending", n), QString()));
        for (const char *stem : {"Score", "Holder", "Date", "Pending"})
            c.hasTable = c.hasTable || ini.rawValue(HiScore, key(stem, n)).has_value();
    }
    const QString SoundOn = QStringLiteral("SoundOn");
    c.soundOn = TrimNull(ini.string(Setup, SoundOn, QStringLiteral("False"))) == QLatin1String("True");
    c.hasSound = ini.rawValue(Setup, SoundOn).has_value();
    return c;
}

// HolderN, or PendingN in its place while the entry waits for its name.
void clsSetup::WriteHolder(IniDocument &ini, int rank, const typHiScore &entry)
{
    if (!entry.ticket.isEmpty())
        ini.setValue(HiScore, key("Pending", rank), entry.ticket, key("Holder", rank));
    else
        ini.setValue(HiScore, key("Holder", rank), entry.holder, key("Pending", rank));
}

QString clsSetup::TrimNull(const QString &text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

const clsSetup::typHiScore &clsSetup::entry(qint16 intRank) const
{
    if (intRank < 1 || intRank > Ranks)
        throw RuntimeError(RuntimeError::SubscriptOutOfRange);
    return udtHiScore[intRank - 1];
}

qint32 clsSetup::Score(qint16 intRank) const
{
    return entry(intRank).score;
}

QString clsSetup::ScoreHolder(qint16 intRank) const
{
    return entry(intRank).holder.value_or(QString());
}

QString clsSetup::ScoreDate(qint16 intRank) const
{
    return Runtime::generalDate(entry(intRank).date);
}

qint16 clsSetup::SetScore(qint32 lngScore)
{
    const QDateTime now = m_world.now();
    const QString ticket = newTicket();
    int rank = -1;
    WriteProfile([&](Contents &c, IniDocument &ini) {
        Table &t = c.table;
        rank = -1;
        for (int i = 1; i <= Ranks; ++i) {
            if (t[i - 1].score < lngScore) {
                rank = i;
                break;
            }
        }
        if (rank < 0)
            return;
        for (int i = Ranks - 1; i >= rank; --i)
            t[i] = t[i - 1];
        t[rank - 1].score = lngScore;
        t[rank - 1].date = now;
        t[rank - 1].ticket = ticket;
        // The whole table in one write, so that a crash leaves the old table
        // or the new one, never a mixture.
        for (int n = 1; n <= Ranks; ++n) {
            const typHiScore &e = t[n - 1];
            ini.setValue(HiScore, key("Score", n), QString::number(e.score));
            ini.setValue(HiScore, key("Date", n), Runtime::storedDate(e.date));
            WriteHolder(ini, n, e);
        }
    });
    if (rank > 0)
        m_ownEntry = udtHiScore[rank - 1];
    return qint16(rank);
}

void clsSetup::SetScoreHolder(qint16 intRank, const std::optional<QString> &strName)
{
    entry(intRank);
    const std::optional<typHiScore> own = m_ownEntry;
    m_ownEntry.reset();
    WriteProfile([&](Contents &c, IniDocument &ini) {
        int rank = intRank;
        if (own) {
            // Found by its ticket: other games may have moved it. Score and
            // date must agree too, should a game that knows no tickets have
            // shifted the table under it.
            const QString date = Runtime::storedDate(own->date);
            rank = -1;
            for (int n = 1; n <= Ranks && rank < 0; ++n) {
                const typHiScore &e = c.table[n - 1];
                if (e.ticket == own->ticket && e.score == own->score && Runtime::storedDate(e.date) == date)
                    rank = n;
            }
            if (rank < 0)
                return;
        }
        typHiScore &e = c.table[rank - 1];
        e.holder = strName;
        e.ticket.clear();
        WriteHolder(ini, rank, e);
    });
}

void clsSetup::setSoundOnOff(bool blnSound)
{
    WriteProfile([&](Contents &c, IniDocument &ini) {
        c.soundOn = blnSound;
        ini.setValue(Setup, QStringLiteral("SoundOn"), blnSound ? QStringLiteral("True") : QStringLiteral("False"));
    });
}

void clsSetup::WriteProfile(const Change &change)
{
    Merged merged;
    {
        const FolderLock lock(strIniFile);
        // Written without the lock, the change could undo another game's;
        // it stays in memory instead, as with any failed write.
        merged = Merge(lock.busy() ? QString() : strIniFile, change);
        if (lock.busy()) {
            Keep(merged.contents);
            return;
        }
        if (merged.ini.save(strIniFile)) {
            Keep(merged.contents);
            m_knownBytes = merged.ini.toBytes();
            return;
        }
    }
    // A program folder the player may not write (a system-wide install), or
    // a settings file its owner made read-only: the change goes to the
    // player's own copy, which starts from the program folder's file so that
    // nothing it held is lost, and is the one read and written from now on.
    // Any other failure is not reported: memory stays authoritative.
    const QString own = m_folders.user.isEmpty() ? QString() : DataFolders::findIgnoringCase(m_folders.user, IniName);
    const QFileInfo file(strIniFile);
    if (own.isEmpty() || strIniFile == own
        || (QFileInfo(file.absolutePath()).isWritable() && !IniDocument::isReadOnly(strIniFile))
        || !QDir().mkpath(m_folders.user)) {
        Keep(merged.contents);
        return;
    }
    const FolderLock lock(own);
    if (lock.busy()) {
        Keep(merged.contents);
        return;
    }
    // Another game may have made the copy meanwhile: then the change merges
    // into it, never replacing it with the program folder's file. Merged
    // afresh from the store's contents before the change, which Keep has
    // not taken yet.
    if (QFileInfo::exists(own))
        merged = Merge(own, change);
    if (merged.ini.save(own)) {
        strIniFile = own;
        m_knownBytes = merged.ini.toBytes();
    }
    Keep(merged.contents);
}

void clsSetup::Keep(const Contents &contents)
{
    udtHiScore = contents.table;
    blnSoundOn = contents.soundOn;
}

// Applies `change` to `file` as it is now and returns the changed document
// and contents; the store itself is left as it is. While the file holds what
// this store last read or wrote there, the store's own contents are the
// file's (so one game alone writes exactly what it always would); a file
// another game has changed since is read afresh. What the file does not hold
// (it cannot be read, is no regular file, or was emptied) the store's own
// contents supply; an empty `file` names none.
clsSetup::Merged clsSetup::Merge(const QString &file, const Change &change) const
{
    Merged m{IniDocument::load(file), Contents{udtHiScore, blnSoundOn}};
    const QFileInfo info(file);
    if (info.isFile() && info.isReadable() && !(file == strIniFile && m.ini.toBytes() == m_knownBytes)) {
        const Contents read = Parse(m.ini);
        if (read.hasTable)
            m.contents.table = read.table;
        if (read.hasSound)
            m.contents.soundOn = read.soundOn;
    }
    change(m.contents, m.ini);
    return m;
}
