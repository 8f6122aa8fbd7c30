// SPDX-License-Identifier: MIT
// The settings store.
#include "clsSetup.h"

#include "platform/IniDocument.h"
#include "platform/Runtime.h"
#include "platform/RuntimeError.h"
#include "platform/World.h"
#include "platform/WriterLock.h"

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
    const WriterLock lock(strIniFile, WriterLock::Use::Read);
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
        // We write a rank's PendingN or its HolderN, never both: a ticket
        // beside a name is dead (a program that knows no tickets named the
        // rank), and the rank's next write drops it.
        if (!ini.rawValue(HiScore, key("Holder", n)))
            e.ticket = e.id = TrimNull(ini.string(HiScore, key("Pending", n), QString()));
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

int clsSetup::Find(const Table &table, const typHiScore &entry)
{
    // Score and date must agree with the ticket, should a game that knows no
    // tickets have shifted the table under it.
    const QString date = Runtime::storedDate(entry.date);
    for (int n = 1; n <= Ranks; ++n) {
        const typHiScore &e = table[n - 1];
        if (!e.id.isEmpty() && e.id == entry.id && e.score == entry.score && Runtime::storedDate(e.date) == date)
            return n;
    }
    return -1;
}

int clsSetup::Enter(Table &table, const typHiScore &entry)
{
    for (int rank = 1; rank <= Ranks; ++rank) {
        if (table[rank - 1].score < entry.score) {
            // In memory the rank shows the holder it had until the name comes.
            const std::optional<QString> shown = table[rank - 1].holder;
            for (int i = Ranks - 1; i >= rank; --i)
                table[i] = table[i - 1];
            table[rank - 1] = entry;
            table[rank - 1].holder = shown;
            return rank;
        }
    }
    return -1;
}

// The whole table in one write, so that a crash leaves the old table or the
// new one, never a mixture.
void clsSetup::WriteTable(IniDocument &ini, const Table &table)
{
    for (int n = 1; n <= Ranks; ++n) {
        const typHiScore &e = table[n - 1];
        ini.setValue(HiScore, key("Score", n), QString::number(e.score));
        ini.setValue(HiScore, key("Date", n), Runtime::storedDate(e.date));
        WriteHolder(ini, n, e);
    }
}

qint16 clsSetup::SetScore(qint32 lngScore)
{
    typHiScore made;
    made.score = lngScore;
    made.date = m_world.now();
    made.ticket = made.id = newTicket();
    // Entered by Replay, like any entry of this game's that the file lacks.
    m_own.push_back({made});
    WriteProfile([](Contents &, IniDocument &) {});
    const int rank = Find(udtHiScore, made);
    if (rank < 0)
        std::erase_if(m_own, [&](const OwnEntry &own) { return own.entry.id == made.id; });
    return qint16(rank);
}

void clsSetup::SetScoreHolder(qint16 intRank, const std::optional<QString> &strName)
{
    entry(intRank);
    if (!m_own.empty() && !m_own.back().named) {
        // Replay names the entry the last score made, wherever it stands.
        m_own.back().named = true;
        m_own.back().entry.holder = strName;
        WriteProfile([](Contents &, IniDocument &) {});
        return;
    }
    WriteProfile([&](Contents &c, IniDocument &ini) {
        typHiScore &e = c.table[intRank - 1];
        e.holder = strName;
        e.ticket.clear();
        WriteHolder(ini, intRank, e);
    });
}

void clsSetup::setSoundOnOff(bool blnSound)
{
    WriteProfile([&](Contents &c, IniDocument &ini) {
        c.soundOn = blnSound;
        ini.setValue(Setup, QStringLiteral("SoundOn"), blnSound ? QStringLiteral("True") : QStringLiteral("False"));
    });
}

QString clsSetup::OwnCopy() const
{
    return m_folders.user.isEmpty() ? QString() : DataFolders::findIgnoringCase(m_folders.user, IniName);
}

void clsSetup::WriteProfile(const Change &change)
{
    const QString own = OwnCopy();
    const bool movable = !own.isEmpty() && strIniFile != own;
    const QFileInfo file(strIniFile);
    const bool folderWritable = QFileInfo(file.absolutePath()).isWritable();
    // A program folder the player may not write (a system-wide install), or
    // a settings file its owner made read-only: the change goes to the
    // player's own copy. That file's lock is never waited for: it is not the
    // player's, and whoever holds it must not cost the player a score.
    if (movable && (IniDocument::isReadOnly(strIniFile) || (!folderWritable && !file.exists()))) {
        WriteOwnCopy(own, change);
        return;
    }
    Merged merged;
    {
        const WriterLock lock(strIniFile);
        // Written without the lock, the change could undo another game's;
        // it stays in memory instead, as with any failed write.
        if (lock.busy()) {
            Keep(Merge(QString(), change).contents);
            return;
        }
        merged = Merge(strIniFile, change);
        if (merged.ini.save(strIniFile)) {
            Saved(merged, strIniFile);
            return;
        }
    }
    // Refused all the same (unreadable in a folder the player may not
    // write, made read-only meanwhile): the player's own copy takes it. Any
    // other failure is not reported: memory stays authoritative.
    if (movable && !(folderWritable && !IniDocument::isReadOnly(strIniFile)))
        WriteOwnCopy(own, change);
    else
        Keep(merged.contents);
}

void clsSetup::WriteOwnCopy(const QString &own, const Change &change)
{
    if (!QDir().mkpath(m_folders.user)) {
        Keep(Merge(QString(), change).contents);
        return;
    }
    const WriterLock lock(own);
    if (lock.busy()) {
        Keep(Merge(QString(), change).contents);
        return;
    }
    // Another game may have made the copy meanwhile: then the change merges
    // into it, never replacing it with the program folder's file. Otherwise
    // the copy starts from the program folder's file, so that nothing it
    // held is lost.
    const Merged merged = Merge(QFileInfo::exists(own) ? own : strIniFile, change);
    if (merged.ini.save(own))
        Saved(merged, own);
    else
        Keep(merged.contents);
}

// Puts this game's entries where they belong in `c`: one the file does not
// hold yet (new, or its write was refused) is entered as a new score is,
// unless it was in the file once and has been pushed out since; a named one
// gets its name wherever it stands. While any is missing from the file, the
// whole table is written, so that a name never lands beside a score the file
// holds for someone else.
void clsSetup::Replay(Contents &c, IniDocument &ini) const
{
    bool whole = false;
    for (const OwnEntry &own : m_own) {
        int rank = Find(c.table, own.entry);
        if (!own.inFile) {
            if (rank < 0)
                rank = Enter(c.table, own.entry);
            whole = whole || rank > 0;
        }
        if (rank < 0 || !own.named)
            continue;
        typHiScore &e = c.table[rank - 1];
        e.holder = own.entry.holder;
        e.ticket.clear();
        WriteHolder(ini, rank, e);
    }
    if (whole)
        WriteTable(ini, c.table);
}

void clsSetup::Saved(const Merged &merged, const QString &file)
{
    strIniFile = file;
    m_knownBytes = merged.ini.toBytes();
    Keep(merged.contents);
    // The file holds each entry now: named ones are done, the others wait
    // for their name, and those pushed out of the table are gone.
    std::erase_if(m_own, [&](OwnEntry &own) {
        if (own.named || Find(udtHiScore, own.entry) < 0)
            return true;
        own.inFile = true;
        return false;
    });
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
    Replay(m.contents, m.ini);
    change(m.contents, m.ini);
    return m;
}
