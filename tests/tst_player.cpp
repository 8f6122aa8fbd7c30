// The sound player and its sounds: what reaches the audio device (through
// SDL's disk driver), how it fails, where it finds its waves, and the wave
// files the build synthesises.
#include "platform/CommandLauncher.h"

#include "TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

const QString GameDir = QStringLiteral(GAME_DIR);
const QString Player = GameDir + QStringLiteral("/Chirp.exe");

struct Wave {
    bool valid = false;
    int format = 0, channels = 0, rate = 0, bits = 0;
    QByteArray data;
    double seconds() const { return rate ? data.size() / double(rate * channels * bits / 8) : 0; }
};

Wave readWave(const QString &path)
{
    const QByteArray b = TestFiles::read(path);
    Wave w;
    if (b.size() < 44 || !b.startsWith("RIFF") || b.mid(8, 4) != "WAVE")
        return w;
    const auto u32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(b.constData() + at); };
    const auto u16 = [&](qsizetype at) { return qFromLittleEndian<quint16>(b.constData() + at); };
    if (u32(4) != quint32(b.size() - 8))
        return w;
    for (qsizetype at = 12; at + 8 <= b.size();) {
        const QByteArray id = b.mid(at, 4);
        const quint32 size = u32(at + 4);
        if (id == "fmt ") {
            w.format = u16(at + 8);
            w.channels = u16(at + 10);
            w.rate = int(u32(at + 12));
            w.bits = u16(at + 22);
        } else if (id == "data") {
            w.data = b.mid(at + 8, size);
            w.valid = qsizetype(size) == w.data.size();
        }
        at += 8 + size + (size & 1);
    }
    return w;
}

// SDL plays silence while the device is still paused, so a sound may start
// a few buffers into what the device received: align on its first sample.
qsizetype firstSound(const QByteArray &b)
{
    qsizetype i = 0;
    while (i + 1 < b.size() && b[i] == 0 && b[i + 1] == 0)
        i += 2;
    return i;
}

// True when `played` begins, after leading silence, with `bytes` bytes of
// the wave's sound.
bool startsWithSound(const QByteArray &played, const Wave &wave, qsizetype bytes)
{
    const QByteArray sound = wave.data.mid(firstSound(wave.data), bytes);
    return played.mid(firstSound(played), bytes) == sound;
}

struct Run {
    int exitCode = -1;
    QByteArray stderrText;
    QByteArray played;
    qint64 ms = 0;
};

Run play(const QStringList &args, const QString &cwd = QDir::tempPath())
{
    QTemporaryDir out;
    const QString raw = out.filePath("device.raw");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SDL_AUDIODRIVER", "disk");
    env.insert("SDL_DISKAUDIOFILE", raw);
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(cwd);
    QElapsedTimer timer;
    timer.start();
    p.start(Player, args);
    p.waitForFinished(20000);
    Run r;
    r.ms = timer.elapsed();
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.stderrText = p.readAllStandardError();
    r.played = TestFiles::read(raw);
    return r;
}

} // namespace

class tst_player : public QObject
{
    Q_OBJECT
private slots:
    void wavesAreValid_data();
    void wavesAreValid();
    void playsTheSamplesCutAtTheLimit_data();
    void playsTheSamplesCutAtTheLimit();
    void failsFastWithOneLine_data();
    void failsFastWithOneLine();
    void findsWavesBesideItself();
    void startsTheWayTheGameStartsIt();
};

void tst_player::wavesAreValid_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("minSeconds");
    QTest::addColumn<double>("maxSeconds");
    QTest::newRow("hit") << "OK.wav" << 0.05 << 0.4;
    QTest::newRow("miss") << "NG.wav" << 0.1 << 0.4;
    QTest::newRow("descent tick") << "Down.wav" << 0.01 << 0.1;
    QTest::newRow("red") << "red.wav" << 0.2 << 0.5;
    QTest::newRow("blue") << "bule.wav" << 1.8 << 2.2;
    QTest::newRow("high score") << "HighScore.wav" << 3.5 << 4.2;
}

void tst_player::wavesAreValid()
{
    QFETCH(QString, name);
    QFETCH(double, minSeconds);
    QFETCH(double, maxSeconds);
    const Wave w = readWave(GameDir + "/" + name);
    QVERIFY(w.valid);
    QCOMPARE(w.format, 1);
    QCOMPARE(w.channels, 1);
    QCOMPARE(w.bits, 16);
    QVERIFY2(w.seconds() >= minSeconds && w.seconds() <= maxSeconds, qPrintable(QString::number(w.seconds())));
    // Loud enough to hear, never clipping.
    int peak = 0;
    for (qsizetype i = 0; i + 1 < w.data.size(); i += 2)
        peak = qMax(peak, qAbs(int(qFromLittleEndian<qint16>(w.data.constData() + i))));
    QVERIFY(peak > 3000 && peak < 32000);
}

void tst_player::playsTheSamplesCutAtTheLimit_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("ms");
    QTest::newRow("whole tick") << "Down.wav" << 100;
    QTest::newRow("hit cut at 100 ms") << "OK.wav" << 100;
    QTest::newRow("red whole") << "red.wav" << 500;
}

void tst_player::playsTheSamplesCutAtTheLimit()
{
    QFETCH(QString, name);
    QFETCH(int, ms);
    const Wave w = readWave(GameDir + "/" + name);
    const Run r = play({name, QString::number(ms)}, GameDir);
    QCOMPARE(r.exitCode, 0);
    const qsizetype expected = qMin(w.data.size(), qsizetype(w.rate) * ms / 1000 * 2);

    const qsizetype waveStart = firstSound(w.data);
    const QByteArray played = r.played.mid(firstSound(r.played));
    const QByteArray sound = w.data.mid(waveStart, expected - waveStart);
    // What was played is the wave from its start, never more than MS allows
    // (the limit may cut it sooner on a busy machine), then only silence.
    qsizetype same = 0;
    while (same < played.size() && same < sound.size() && played[same] == sound[same])
        ++same;
    QVERIFY2(same >= sound.size() / 4, qPrintable(QStringLiteral("%1 of %2").arg(same).arg(sound.size())));
    QCOMPARE(played.mid(same), QByteArray(played.size() - same, '\0'));
}

void tst_player::failsFastWithOneLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("missing file") << QStringList{"nothing-here.wav", "400"};
    QTest::newRow("not a wave") << QStringList{Player, "400"};
    QTest::newRow("bad number") << QStringList{"OK.wav", "fast"};
    QTest::newRow("negative number") << QStringList{"OK.wav", "-1"};
    QTest::newRow("missing number") << QStringList{"OK.wav"};
    QTest::newRow("no arguments") << QStringList{};
}

void tst_player::failsFastWithOneLine()
{
    QFETCH(QStringList, args);
    const Run r = play(args, GameDir);
    QVERIFY(r.exitCode > 0);
    const QList<QByteArray> lines = r.stderrText.trimmed().split('\n');
    QCOMPARE(lines.size(), 1);
    QVERIFY(lines[0].startsWith("Chirp.exe: "));
    QVERIFY(r.played.isEmpty());
}

void tst_player::findsWavesBesideItself()
{
    QTemporaryDir elsewhere;
    const Run r = play({"Down.wav", "100"}, elsewhere.path());
    QCOMPARE(r.exitCode, 0);
    QVERIFY(!r.played.isEmpty());
    // A wave in the current directory comes first.
    TestFiles::write(elsewhere.filePath("Down.wav"), TestFiles::read(GameDir + "/OK.wav"));
    const Run local = play({"Down.wav", "50"}, elsewhere.path());
    QVERIFY(startsWithSound(local.played, readWave(GameDir + "/OK.wav"), 1000));
}

void tst_player::startsTheWayTheGameStartsIt()
{
    QTemporaryDir out;
    const QString raw = out.filePath("device.raw");
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", raw.toLocal8Bit());
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(out.path()); // the waves are not here: the player finds its own
    CommandLauncher launcher(GameDir);
    QVERIFY(launcher.start(QStringLiteral("Chirp.exe Down.wav 100")));
    QDir::setCurrent(cwd);
    QTRY_VERIFY_WITH_TIMEOUT((launcher.reap(), launcher.pendingChildren() == 0), 10000);
    QVERIFY(startsWithSound(TestFiles::read(raw), readWave(GameDir + "/Down.wav"), 512));
}

QTEST_GUILESS_MAIN(tst_player)
#include "tst_player.moc"
