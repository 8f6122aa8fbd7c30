// SPDX-License-Identifier: MIT
// Benchmarks: every figure the project tracks, printed as one table of
// medians and 99th percentiles. Run through bench/run, which builds in
// Release and provides an X server for the start-up figures.
//
// Usage: typhoros_bench GAME_DIR BARE_WINDOW SDL_LINKED [--start-up]
// (--start-up: only the start-up and memory figures)
#include "classes/clsMondai.h"
#include "classes/clsSetup.h"
#include "desktop/SystemWorld.h"
#include "forms/AnswerBox.h"
#include "forms/GameTimer.h"
#include "forms/PlayField.h"
#include "forms/UfoLabel.h"
#include "forms/frmMain.h"
#include "platform/CommandLauncher.h"
#include "platform/Cp932.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <thread>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

struct Figure {
    QString name;
    QList<double> samples;
    QString unit;
    QString goal;
};

QList<Figure> figures;

double percentile(QList<double> v, double p)
{
    if (v.isEmpty())
        return 0;
    std::sort(v.begin(), v.end());
    const qsizetype i = qMin(v.size() - 1, qsizetype(std::ceil(p * v.size())) - 1);
    return v[qMax<qsizetype>(0, i)];
}

void record(const QString &name, const QList<double> &samples, const QString &unit, const QString &goal)
{
    figures.append({name, samples, unit, goal});
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    f.write(bytes);
}

// A real world whose modal boxes answer at once, so that a game over never
// blocks the measurement.
class BenchWorld : public SystemWorld
{
public:
    using SystemWorld::SystemWorld;
    void msgBox(const QString &, const QString &) override {}
    std::optional<QString> inputBox(const QString &, const QString &, const QString &) override
    {
        return QStringLiteral("bench");
    }
};

QString makeProgramFolder(const QTemporaryDir &dir, int lines)
{
    const QStringList words{QStringLiteral("一期一会"), QStringLiteral("温故知新"), QStringLiteral("臨機応変"),
                            QStringLiteral("試行錯誤"), QStringLiteral("CPUの温度")};
    QByteArray bank;
    for (int i = 0; i < lines; ++i)
        bank += Cp932::encode(words[i % words.size()] + QString::number(i)) + "\r\n";
    for (int level = 0; level < 4; ++level)
        write(dir.filePath(QStringLiteral("Mondai%1.txt").arg(level)), bank);
    // A harmless stand-in for the sound player, so that every cue costs a
    // real process start.
    const QString player = dir.filePath("Chirp.exe");
    QFile::copy("/bin/true", player);
    QFile::setPermissions(player, QFile::permissions(player) | QFileDevice::ExeOwner);
    return dir.path();
}

void benchQuestionLoad(const QString &dir)
{
    SystemWorld world(dir);
    QList<double> ms;
    for (int i = 0; i < 30; ++i) {
        clsMondai bank(world, dir);
        QElapsedTimer t;
        t.start();
        bank.LoadMondai("Mondai3.txt");
        ms.append(t.nsecsElapsed() / 1e6);
    }
    record("question file load (32,768 lines)", ms, "ms", "<= 10 ms");
}

void benchGame(const QString &dir)
{
    BenchWorld world(dir);
    clsSetup setup(world, dir);
    setup.setSoundOnOff(true);
    frmMain form(world, setup, dir);
    form.Form_Load();
    form.optLevel[3]->setChecked(true);
    form.cmdStart_Click();
    form.timScrool->stop(); // ticks are called directly below

    QList<double> tick;
    for (int i = 0; i < 2000; ++i) {
        if (i % 20 == 0)
            for (UfoLabel *ufo : form.lblUFO)
                ufo->setTop(0); // keep them in the field: no game over
        QElapsedTimer t;
        t.start();
        form.timScrool_Timer();
        tick.append(t.nsecsElapsed() / 1e6);
        // Ticks come at most five times a second in play; a short gap keeps
        // the stand-in players from piling up on two cores.
        QThread::msleep(3);
        if (i % 50 == 0)
            QCoreApplication::processEvents(); // let the launcher reap
    }
    record("tick, level 3, 4 invaders, sound on", tick, "ms", "median <= 0.5 ms");

    setup.setSoundOnOff(false);
    QList<double> enter;
    for (int i = 0; i < 3000; ++i) {
        const bool hit = i % 2 == 0;
        form.txtInput->setText(hit ? form.lblUFO[i % 4]->Caption() : QStringLiteral("はずれ"));
        qint16 key = 13, shift = 0;
        QElapsedTimer t;
        t.start();
        form.txtInput_KeyDown(key, shift);
        enter.append(t.nsecsElapsed() / 1e6);
        if (hit)
            form.timScrool_Timer(); // refill the slot
        if (i % 20 == 0)
            for (UfoLabel *ufo : form.lblUFO)
                ufo->setTop(0);
    }
    record("Enter handler (hit or miss, sound off)", enter, "ms", "<= 0.1 ms");

    CommandLauncher launcher(dir);
    QList<double> cue;
    for (int i = 0; i < 1000; ++i) {
        QElapsedTimer t;
        t.start();
        launcher.start("Chirp.exe Down.wav 100");
        cue.append(t.nsecsElapsed() / 1e6);
        QThread::msleep(3);
    }
    record("cue start (posix_spawn)", cue, "ms", "well under 1 ms");
}

// A half-million-character question (a question file of one 1 MiB line)
// launched on the practice level's invader, again and again: the tick that
// launches it and the repaint must stay within a frame.
void benchLongQuestion()
{
    QTemporaryDir dir;
    const QString folder = makeProgramFolder(dir, 1);
    write(QDir(folder).filePath("Mondai0.txt"), Cp932::encode(QString(524000, QChar(0x3042))) + "\r\n");
    BenchWorld world(folder);
    clsSetup setup(world, folder);
    frmMain form(world, setup, folder);
    form.Form_Load();
    form.show();
    form.optLevel[0]->setChecked(true);
    form.cmdStart_Click();
    form.timScrool->stop();
    QList<double> tick;
    for (int i = 0; i < 20; ++i) {
        form.lblUFO[0]->setCaption(QString()); // free: the next tick launches
        form.lblUFO[0]->setTop(0);
        QElapsedTimer t;
        t.start();
        form.timScrool_Timer();
        form.picScreen->repaint();
        tick.append(t.nsecsElapsed() / 1e6);
    }
    record("launch of a 524,000-character question (tick and repaint)", tick, "ms", "median <= 16 ms");
}

void benchTimer()
{
    GameTimer timer;
    timer.setInterval(200);
    QList<double> deviation;
    QElapsedTimer clock;
    qint64 last = -1;
    QEventLoop loop;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (last >= 0)
            deviation.append(std::abs((now - last) / 1e6 - 200.0));
        last = now;
        if (deviation.size() == 100)
            loop.quit();
    });
    clock.start();
    timer.start();
    loop.exec();
    record("timer deviation at 200 ms (100 ticks)", deviation, "ms", "p99 <= 1.5 ms");
}

pid_t spawn(const QStringList &args, const QStringList &extraEnv = {})
{
    QList<QByteArray> argBytes, envBytes;
    for (const QString &a : args)
        argBytes.append(a.toLocal8Bit());
    for (const QString &e : extraEnv)
        envBytes.append(e.toLocal8Bit());
    for (char **e = environ; *e; ++e) {
        const QByteArray entry(*e);
        const QByteArray name = entry.left(entry.indexOf('=') + 1);
        const bool overridden = std::any_of(extraEnv.begin(), extraEnv.end(),
                                            [&](const QString &x) { return x.toLocal8Bit().startsWith(name); });
        if (!overridden)
            envBytes.append(entry);
    }
    QList<char *> argv, envp;
    for (QByteArray &a : argBytes)
        argv.append(a.data());
    for (QByteArray &e : envBytes)
        envp.append(e.data());
    argv.append(nullptr);
    envp.append(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// What reaches the sound server's sink, as its monitor delivers it, with the
// time each piece arrived: parecord writes raw 48 kHz mono samples into a
// pipe that a thread drains.
class SinkTap
{
public:
    static constexpr int Rate = 48000;

    explicit SinkTap(const QElapsedTimer &clock) : m_clock(clock)
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        const char *argv[] = {"parecord", "--device=sink.monitor", "--raw", "--format=s16le", "--rate=48000",
                              "--channels=1", "--latency-msec=2", nullptr};
        posix_spawnp(&m_pid, argv[0], &actions, nullptr, const_cast<char **>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        m_reader = std::thread([this, fd = fds[0]] {
            char buffer[4096];
            for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
                m_samples.append(buffer, n);
                m_arrivals.append({m_samples.size(), m_clock.nsecsElapsed()});
            }
            ::close(fd);
        });
    }

    // Stops recording; then the times (ms on the clock) at which sounds
    // louder than `threshold` began, after at least 50 ms of quiet.
    QList<double> stopAndFindOnsets(int threshold)
    {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
        m_reader.join();
        QList<double> onsets;
        qsizetype lastLoud = -Rate;
        for (qsizetype i = 0; i + 1 < m_samples.size(); i += 2) {
            if (qAbs(int(qFromLittleEndian<qint16>(m_samples.constData() + i))) <= threshold)
                continue;
            if (i / 2 - lastLoud > Rate / 20) {
                // The piece holding sample i arrived when its last sample did.
                const auto piece = std::find_if(m_arrivals.begin(), m_arrivals.end(),
                                                [&](const auto &a) { return a.first > i; });
                if (piece != m_arrivals.end())
                    onsets.append(piece->second / 1e6 - (piece->first - i) / 2 * 1000.0 / Rate);
            }
            lastLoud = i / 2;
        }
        return onsets;
    }

private:
    const QElapsedTimer &m_clock;
    pid_t m_pid = -1;
    std::thread m_reader;
    QByteArray m_samples;
    QList<QPair<qsizetype, qint64>> m_arrivals; // bytes received so far, when
};

// Milliseconds from spawning `args` until it has ended.
double runTime(const QStringList &args)
{
    QElapsedTimer t;
    t.start();
    ::waitpid(spawn(args), nullptr, 0);
    return t.nsecsElapsed() / 1e6;
}

// The sound player against the sound server that bench/run starts: from its
// start to its first sound at the sink, how long it outlives its sound, and
// how long loading it takes (a run that stops at main's first check) beside
// a program that only links SDL2, as the player once did.
void benchPlayer(const QString &gameDir, const QString &sdlLinked)
{
    const QString player = gameDir + "/Chirp.exe";
    const QString wave = gameDir + "/Down.wav";
    QFile file(wave);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const qsizetype data = bytes.indexOf("data");
    const double soundMs = data < 0 ? 0 : qFromLittleEndian<quint32>(bytes.constData() + data + 4) * 1000.0 / (22050 * 2);
    QElapsedTimer clock;
    clock.start();
    SinkTap tap(clock);
    QThread::msleep(300);
    QList<double> starts, overrun;
    for (int i = 0; i < 30; ++i) {
        starts.append(clock.nsecsElapsed() / 1e6);
        overrun.append(runTime({player, wave, "100"}) - soundMs);
        QThread::msleep(250);
    }
    const QList<double> onsets = tap.stopAndFindOnsets(300);
    QList<double> toSound;
    for (double start : starts) {
        const auto onset = std::find_if(onsets.begin(), onsets.end(), [&](double t) { return t >= start; });
        if (onset != onsets.end() && *onset < start + 250)
            toSound.append(*onset - start);
    }
    QList<double> toMain, sdlToMain;
    for (int i = 0; i < 30; ++i) {
        toMain.append(runTime({player}));
        sdlToMain.append(runTime({sdlLinked}));
    }
    record(QStringLiteral("player: start to first sound at the sink (%1 of 30 heard)").arg(toSound.size()), toSound,
           "ms", "median <= 15 ms");
    record("player: exit after the sound's end (45 ms cue)", overrun, "ms", "median <= 30 ms");
    record("player: exec to main and exit", toMain, "ms", "");
    record("a program linked with SDL2 (yardstick): exec to main", sdlToMain, "ms", "");
}

// Start-up to first paint of a program under X: from the spawn until the
// centre pixel of its first mapped window turns from the X server's black to
// what the program painted. Peak memory is the process's high-water mark.
struct StartUp {
    QList<double> ms;
    QList<double> peakMb;
};

StartUp measureStartUp(const QStringList &program, int runs)
{
    StartUp result;
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return result;
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    for (int run = 0; run < runs; ++run) {
        XSync(display, True);
        QElapsedTimer t;
        t.start();
        const pid_t pid = spawn(program, {"QT_QPA_PLATFORM=xcb"});
        Window mapped = 0;
        while (!mapped && t.elapsed() < 10000) {
            while (XPending(display)) {
                XEvent e;
                XNextEvent(display, &e);
                if (e.type == MapNotify && e.xmap.event == root && !e.xmap.override_redirect)
                    mapped = e.xmap.window;
            }
            if (!mapped) {
                pollfd p{ConnectionNumber(display), POLLIN, 0};
                ::poll(&p, 1, 1);
            }
        }
        double painted = -1;
        if (mapped) {
            XWindowAttributes attrs;
            XGetWindowAttributes(display, mapped, &attrs);
            while (t.elapsed() < 10000) {
                XImage *image = XGetImage(display, mapped, attrs.width / 2, attrs.height / 2, 1, 1, AllPlanes, ZPixmap);
                const unsigned long pixel = image ? XGetPixel(image, 0, 0) : 0;
                if (image)
                    XDestroyImage(image);
                if (pixel != 0) {
                    painted = t.nsecsElapsed() / 1e6;
                    break;
                }
                ::usleep(100);
            }
        }
        ::usleep(200000); // let start-up settle before reading the peak
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        double peak = 0;
        if (status.open(QIODevice::ReadOnly))
            for (const QByteArray &line : status.readAll().split('\n'))
                if (line.startsWith("VmHWM:"))
                    peak = line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        if (painted >= 0) {
            result.ms.append(painted);
            result.peakMb.append(peak);
        }
    }
    XCloseDisplay(display);
    return result;
}

void benchStartUp(const QString &gameDir, const QString &bare)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "no DISPLAY: start-up figures skipped (bench/run starts Xvfb)\n");
        return;
    }
    // One start of each program per round, the game and its yardstick next
    // to each other (in turns first), so that each round's ratio compares
    // starts made on the same machine state: the shared machine drifts
    // more between rounds than within one.
    StartUp game, yardstick, withText, sameText;
    QList<double> ratios;
    const auto add = [](StartUp &total, const StartUp &run) {
        total.ms += run.ms;
        total.peakMb += run.peakMb;
    };
    for (int round = 0; round < 20; ++round) {
        StartUp g, same;
        if (round % 2 == 0) {
            g = measureStartUp({gameDir + "/typhoros"}, 1);
            same = measureStartUp({bare, "--game-text"}, 1);
        } else {
            same = measureStartUp({bare, "--game-text"}, 1);
            g = measureStartUp({gameDir + "/typhoros"}, 1);
        }
        if (!g.ms.isEmpty() && !same.ms.isEmpty())
            ratios.append(g.ms.first() / qMax(0.001, same.ms.first()));
        add(game, g);
        add(sameText, same);
        add(yardstick, measureStartUp({bare}, 1));
        add(withText, measureStartUp({bare, "--text"}, 1));
    }
    record("start-up to first paint: typhoros", game.ms, "ms", "");
    record("start-up to first paint: bare Qt window", yardstick.ms, "ms", "");
    record("start-up to first paint: bare window + one Japanese label", withText.ms, "ms", "");
    record("start-up to first paint: bare window + the game's texts and faces", sameText.ms, "ms", "");
    record("peak memory: typhoros", game.peakMb, "MB", "<= 36 MB");
    record("peak memory: bare Qt window", yardstick.peakMb, "MB", "");
    record("peak memory: bare window + one Japanese label", withText.peakMb, "MB", "");
    record("peak memory: bare window + the game's texts and faces", sameText.peakMb, "MB", "");
    record("start-up ratio typhoros / same text (per round)", ratios, "x", "median <= 1.10");
    record("start-up ratio typhoros / bare (medians)",
           {percentile(game.ms, 0.5) / qMax(0.001, percentile(yardstick.ms, 0.5))}, "x", "");
}

} // namespace

int main(int argc, char *argv[])
{
    const bool startUpOnly = argc == 5 && std::strcmp(argv[4], "--start-up") == 0;
    if (argc != 4 && !startUpOnly) {
        std::fprintf(stderr, "usage: typhoros_bench GAME_DIR BARE_WINDOW SDL_LINKED [--start-up]\n");
        return 2;
    }
    const QString gameDir = QString::fromLocal8Bit(argv[1]);
    const QString bare = QString::fromLocal8Bit(argv[2]);
    const QString sdlLinked = QString::fromLocal8Bit(argv[3]);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // In-process figures first: the start-up runs leave the machine busy
    // reclaiming the killed programs for a while.
    if (!startUpOnly) {
        QTemporaryDir dir;
        const QString folder = makeProgramFolder(dir, 32768);
        benchQuestionLoad(folder);
        benchGame(folder);
        benchLongQuestion();
        benchTimer();
        benchPlayer(gameDir, sdlLinked);
    }
    benchStartUp(gameDir, bare);

    std::printf("| figure | median | p99 | unit | goal |\n|---|---:|---:|---|---|\n");
    for (const Figure &f : figures)
        std::printf("| %s | %.4g | %.4g | %s | %s |\n", qPrintable(f.name), percentile(f.samples, 0.5),
                    percentile(f.samples, 0.99), qPrintable(f.unit), qPrintable(f.goal));
    return 0;
}
