// SPDX-License-Identifier: MIT
// The settings store.
#include "clsSetup.h"

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
    const QDateTime defaultDate = *Runtime::parseStoredDate(DefaultDate);
    for (int n = 1; n <= Ranks; ++n) {
        typHiScore &e = udtHiScore[n - 1];
        e.score = ini.integer(HiScore, key("Score", n), 0);
        e.holder = TrimNull(ini.string(HiScore, key("Holder", n), QStringLiteral("Err")));
        // A date that cannot be read (a hand-edited file) must not keep the
        // game from starting: it reads as the default date.
        const QString date = TrimNull(ini.string(HiScore, key("Date", n), DefaultDate));
        e.date = Runtime::parseStoredDate(date).value_or(defaultDate);
    }
    blnSoundOn = TrimNull(ini.string(Setup, QStringLiteral("SoundOn"), QStringLiteral("False")))
                 == QLatin1String("True");
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
    int rank = -1;
    for (int i = 1; i <= Ranks; ++i) {
        if (udtHiScore[i - 1].score < lngScore) {
            rank = i;
            break;
        }
    }
    if (rank < 0)
        return -1;

    for (int i = Ranks - 1; i >= rank; --i)
        udtHiScore[i] = udtHiScore[i - 1];
    udtHiScore[rank - 1].score = lngScore;
    udtHiScore[rank - 1].date = m_world.now();

    // One read-modify-write for the whole table, so that a crash leaves the
    // old table or the new one, never a mixture.
    WriteProfile([this](IniDocument &ini) {
        for (int n = 1; n <= Ranks; ++n) {
            const typHiScore &e = udtHiScore[n - 1];
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
    udtHiScore[intRank - 1].holder = strName;
    WriteProfile([&](IniDocument &ini) { ini.setValue(HiScore, key("Holder", intRank), strName); });
}

void clsSetup::setSoundOnOff(bool blnSound)
{
    blnSoundOn = blnSound;
    WriteProfile([&](IniDocument &ini) {
        ini.setValue(Setup, QStringLiteral("SoundOn"), blnSound ? QStringLiteral("True") : QStringLiteral("False"));
    });
}

void clsSetup::WriteProfile(const std::function<void(IniDocument &)> &change)
{
    IniDocument ini = IniDocument::load(strIniFile);
    change(ini);
    if (ini.save(strIniFile) || m_folders.user.isEmpty())
        return;
    // A program folder the player may not write (a system-wide install), or
    // a settings file its owner made read-only: the change goes to the
    // player's own copy, which starts from the program folder's file so that
    // nothing it held is lost, and is the one read and written from now on.
    // Any other failure is not reported: memory stays authoritative.
    const QString own = DataFolders::findIgnoringCase(m_folders.user, IniName);
    const QFileInfo file(strIniFile);
    if (strIniFile == own || (QFileInfo(file.absolutePath()).isWritable() && !IniDocument::isReadOnly(strIniFile)))
        return;
    if (QDir().mkpath(m_folders.user) && ini.save(own))
        strIniFile = own;
}
