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

namespace {

const QString HiScore = QStringLiteral("HiScore");
const QString Setup = QStringLiteral("Setup");
const QString DefaultDate = QStringLiteral("1970/1/1 00:00");
const QString IniName = QStringLiteral("Typhoros.ini");

QString key(const char *stem, int rank)
{
    return QLatin1String(stem) + QString::number(rank);
}

} // namespace

clsSetup::clsSetup(World &world, const DataFolders &folders)
    : m_world(world), m_folders(folders), strIniFile(folders.fileToRead(IniName))
{
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
    }
    c.soundOn = TrimNull(ini.string(Setup, QStringLiteral("SoundOn"), QStringLiteral("False"))) == QLatin1String("True");
    return c;
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
        m_ownEntry = t[rank - 1];
        // The whole table in one write, so that a crash leaves the old table
        // or the new one, never a mixture.
        for (int n = 1; n <= Ranks; ++n) {
            const typHiScore &e = t[n - 1];
            ini.setValue(HiScore, key("Score", n), QString::number(e.score));
            ini.setValue(HiScore, key("Date", n), Runtime::storedDate(e.date));
            ini.setValue(HiScore, key("Holder", n), e.holder);
        }
    });
    return qint16(rank);
}

void clsSetup::SetScoreHolder(qint16 intRank, const std::optional<QString> &strName)
{
    entry(intRank);
    const std::optional<typHiScore> own = m_ownEntry;
    WriteProfile([&](Contents &c, IniDocument &ini) {
        int rank = intRank;
        if (own) {
            // Found by what this game wrote: other games may have moved it.
            const QString date = Runtime::storedDate(own->date);
            rank = -1;
            for (int n = 1; n <= Ranks && rank < 0; ++n) {
                const typHiScore &e = c.table[n - 1];
                if (e.score == own->score && Runtime::storedDate(e.date) == date && e.holder == own->holder)
                    rank = n;
            }
            if (rank < 0)
                return;
        }
        c.table[rank - 1].holder = strName;
        ini.setValue(HiScore, key("Holder", rank), strName);
    });
    if (m_ownEntry)
        m_ownEntry->holder = strName;
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
    IniDocument written;
    {
        const FolderLock lock(strIniFile);
        written = Merge(strIniFile, change);
        if (written.save(strIniFile)) {
            m_knownBytes = written.toBytes();
            return;
        }
        if (m_folders.user.isEmpty())
            return;
    }
    // A program folder the player may not write (a system-wide install), or
    // a settings file its owner made read-only: the change goes to the
    // player's own copy, which starts from the program folder's file so that
    // nothing it held is lost, and is the one read and written from now on.
    // Any other failure is not reported: memory stays authoritative.
    const QString own = DataFolders::findIgnoringCase(m_folders.user, IniName);
    const QFileInfo file(strIniFile);
    if (strIniFile == own || (QFileInfo(file.absolutePath()).isWritable() && !IniDocument::isReadOnly(strIniFile)))
        return;
    if (!QDir().mkpath(m_folders.user))
        return;
    const FolderLock lock(own);
    // Another game may have made the copy meanwhile: then the change merges
    // into it, never replacing it with the program folder's file.
    if (QFileInfo::exists(own))
        written = Merge(own, change);
    if (written.save(own)) {
        strIniFile = own;
        m_knownBytes = written.toBytes();
    }
}

// Applies `change` to `file` as it is now and returns the changed document;
// the store then holds the changed contents, written or not. While the file
// holds what this store last read or wrote there, the store's own contents
// are the file's (so one game alone writes exactly what it always would);
// a file another game has changed since is read afresh. A file that cannot
// be read (or is no regular file) leaves the store's contents authoritative.
IniDocument clsSetup::Merge(const QString &file, const Change &change)
{
    IniDocument ini = IniDocument::load(file);
    Contents c{udtHiScore, blnSoundOn};
    const QFileInfo info(file);
    if (info.isFile() && info.isReadable() && !(file == strIniFile && ini.toBytes() == m_knownBytes))
        c = Parse(ini);
    change(c, ini);
    udtHiScore = c.table;
    blnSoundOn = c.soundOn;
    return ini;
}
