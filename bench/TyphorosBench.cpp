// SPDX-License-Identifier: MIT
// Benchmarks: every figure the project tracks, printed as one table of
// medians and 99th percentiles. Run through bench/run, which builds in
// Release and provides an X server and a Wayland compositor for the
// start-up figures.
//
// Usage: typhoros_bench GAME_DIR BARE_WINDOW SDL_LINKED [--start-up]
//                       [--rounds N] [--versus LABEL=GAME_DIR]...
// (--start-up: only the start-up and memory figures; --rounds: rounds of
// start-ups on each display server, 20 unless told; --versus: another build
// of the game, started in the same rounds as GAME_DIR's)
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
#include <QJsonDocument>
#include <QJsonObject>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
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
// a program that only links SDL2, the yardstick of a player built on a
// portable sound library.
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

// Start-up to first paint of a program: from the spawn until its first
// window holds what the program painted. Peak memory is the process's
// high-water mark once start-up has settled.
struct StartUp {
    QList<double> ms;
    QList<double> peakMb;

    void add(const StartUp &run)
    {
        ms += run.ms;
        peakMb += run.peakMb;
    }
};

double peakMemoryMb(pid_t pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

// A display server the programs start on, and how it tells that a
// program's first window has been painted.
class Screen
{
public:
    virtual ~Screen() = default;

    // One start of `program`: its time to first paint and its peak memory
    // (both empty when it did not paint within 10 s).
    StartUp measure(const QStringList &program)
    {
        StartUp result;
        forget();
        QElapsedTimer t;
        t.start();
        const pid_t pid = spawn(program, {QStringLiteral("QT_QPA_PLATFORM=") + platform()});
        const double painted = waitUntilPainted(pid, t);
        ::usleep(200000); // let start-up settle before reading the peak
        const double peak = peakMemoryMb(pid);
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        if (painted >= 0) {
            result.ms.append(painted);
            result.peakMb.append(peak);
        }
        return result;
    }

protected:
    virtual QString platform() const = 0;
    // Drops what the server reported about earlier programs.
    virtual void forget() = 0;
    // Milliseconds on `t` at which the first window of `pid` was painted,
    // or -1 after 10 s.
    virtual double waitUntilPainted(pid_t pid, const QElapsedTimer &t) = 0;
};

// Under X: the first paint is when the centre pixel of the first window
// mapped turns from the X server's black to what the program drew.
class X11Screen : public Screen
{
public:
    X11Screen() : m_display(XOpenDisplay(nullptr))
    {
        if (m_display)
            XSelectInput(m_display, DefaultRootWindow(m_display), SubstructureNotifyMask);
    }
    ~X11Screen() override
    {
        if (m_display)
            XCloseDisplay(m_display);
    }
    bool isOpen() const { return m_display != nullptr; }

protected:
    QString platform() const override { return QStringLiteral("xcb"); }
    void forget() override { XSync(m_display, True); }
    double waitUntilPainted(pid_t, const QElapsedTimer &t) override
    {
        const Window root = DefaultRootWindow(m_display);
        Window mapped = 0;
        while (!mapped && t.elapsed() < 10000) {
            while (XPending(m_display)) {
                XEvent e;
                XNextEvent(m_display, &e);
                if (e.type == MapNotify && e.xmap.event == root && !e.xmap.override_redirect)
                    mapped = e.xmap.window;
            }
            if (!mapped) {
                pollfd p{ConnectionNumber(m_display), POLLIN, 0};
                ::poll(&p, 1, 1);
            }
        }
        if (!mapped)
            return -1;
        XWindowAttributes attrs;
        XGetWindowAttributes(m_display, mapped, &attrs);
        while (t.elapsed() < 10000) {
            XImage *image = XGetImage(m_display, mapped, attrs.width / 2, attrs.height / 2, 1, 1, AllPlanes, ZPixmap);
            const unsigned long pixel = image ? XGetPixel(image, 0, 0) : 0;
            if (image)
                XDestroyImage(image);
            if (pixel != 0)
                return t.nsecsElapsed() / 1e6;
            ::usleep(100);
        }
        return -1;
    }

private:
    Display *m_display;
};

// Natively on Wayland, under sway ($SWAYSOCK): a window is mapped once its
// program has committed its first painted buffer, and sway then sends a
// "new" window event naming the program's pid on its IPC socket.
class SwayScreen : public Screen
{
public:
    SwayScreen()
    {
        const QByteArray path = qgetenv("SWAYSOCK");
        sockaddr_un address{};
        if (path.isEmpty() || size_t(path.size()) >= sizeof address.sun_path)
            return;
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), path.size());
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_fd < 0 || ::connect(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
            || !send(Subscribe, R"(["window"])")) {
            close();
            return;
        }
        quint32 type = 0;
        QByteArray reply;
        if (!receive(type, reply, 2000) || type != Subscribe || !QJsonDocument::fromJson(reply)["success"].toBool())
            close();
    }
    ~SwayScreen() override { close(); }
    bool isOpen() const { return m_fd >= 0; }

protected:
    QString platform() const override { return QStringLiteral("wayland"); }
    void forget() override
    {
        quint32 type;
        QByteArray payload;
        while (receive(type, payload, 0)) {
        }
    }
    double waitUntilPainted(pid_t pid, const QElapsedTimer &t) override
    {
        quint32 type;
        QByteArray payload;
        while (t.elapsed() < 10000) {
            if (!receive(type, payload, int(10000 - t.elapsed())))
                continue;
            const QJsonObject event = QJsonDocument::fromJson(payload).object();
            if (type == WindowEvent && event["change"].toString() == QLatin1String("new")
                && event["container"]["pid"].toInt() == pid)
                return t.nsecsElapsed() / 1e6;
        }
        return -1;
    }

private:
    static constexpr quint32 Subscribe = 2;
    static constexpr quint32 WindowEvent = 0x80000003;
    static constexpr int HeaderSize = 14; // "i3-ipc", payload length, type

    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    bool send(quint32 type, const QByteArray &payload)
    {
        QByteArray message("i3-ipc");
        const quint32 header[2] = {quint32(payload.size()), type};
        message.append(reinterpret_cast<const char *>(header), sizeof header);
        message += payload;
        return ::write(m_fd, message.constData(), message.size()) == message.size();
    }

    // The next message, waiting at most `timeoutMs` for it.
    bool receive(quint32 &type, QByteArray &payload, int timeoutMs)
    {
        QElapsedTimer t;
        t.start();
        for (;;) {
            if (m_buffer.size() >= HeaderSize) {
                quint32 header[2];
                std::memcpy(header, m_buffer.constData() + 6, sizeof header);
                if (m_buffer.size() >= HeaderSize + qsizetype(header[0])) {
                    type = header[1];
                    payload = m_buffer.mid(HeaderSize, header[0]);
                    m_buffer.remove(0, HeaderSize + header[0]);
                    return true;
                }
            }
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, qMax(0, timeoutMs - int(t.elapsed()))) <= 0)
                return false;
            char chunk[65536];
            const ssize_t n = ::read(m_fd, chunk, sizeof chunk);
            if (n <= 0)
                return false;
            m_buffer.append(chunk, n);
        }
    }

    int m_fd = -1;
    QByteArray m_buffer;
};

// A build of the game whose start-up is measured.
struct Game {
    QString label;
    QString dir;
    StartUp runs;
    QList<double> ratios; // to the same-text window of its round
};

// `rounds` rounds on `screen`, each starting every game and the window with
// the game's texts once, in an order that turns by one each round, so that
// each round's ratios compare starts made on the same machine state: the
// shared machine drifts more between rounds than within one. `afterRound`
// runs at the end of each.
StartUp measureRounds(Screen &screen, QList<Game> &games, const QString &bare, int rounds,
                      const std::function<void()> &afterRound = {})
{
    StartUp sameText;
    const qsizetype n = games.size() + 1; // the last is the same-text window
    for (int round = 0; round < rounds; ++round) {
        QList<double> ms(n, -1);
        for (qsizetype k = 0; k < n; ++k) {
            const qsizetype slot = (round + k) % n;
            const StartUp run = screen.measure(slot == n - 1 ? QStringList{bare, "--game-text"}
                                                             : QStringList{games[slot].dir + "/typhoros"});
            (slot == n - 1 ? sameText : games[slot].runs).add(run);
            if (!run.ms.isEmpty())
                ms[slot] = run.ms.first();
        }
        for (qsizetype i = 0; i + 1 < n; ++i)
            if (ms[i] >= 0 && ms[n - 1] >= 0)
                games[i].ratios.append(ms[i] / qMax(0.001, ms[n - 1]));
        if (afterRound)
            afterRound();
    }
    return sameText;
}

void benchStartUp(const QString &gameDir, const QString &bare, const QList<QPair<QString, QString>> &versus,
                  int rounds)
{
    QList<Game> games{{QStringLiteral("typhoros"), gameDir, {}, {}}};
    for (const auto &[label, dir] : versus)
        games.append({label, dir, {}, {}});

    X11Screen x11;
    if (!x11.isOpen()) {
        std::fprintf(stderr, "no X display: start-up figures skipped (bench/run starts Xvfb)\n");
    } else {
        StartUp yardstick, withText;
        const StartUp sameText = measureRounds(x11, games, bare, rounds, [&] {
            yardstick.add(x11.measure({bare}));
            withText.add(x11.measure({bare, "--text"}));
        });
        for (const Game &g : games)
            record("start-up to first paint: " + g.label, g.runs.ms, "ms", "");
        record("start-up to first paint: bare Qt window", yardstick.ms, "ms", "");
        record("start-up to first paint: bare window + one Japanese label", withText.ms, "ms", "");
        record("start-up to first paint: bare window + the game's texts and faces", sameText.ms, "ms", "");
        for (const Game &g : games)
            record("peak memory: " + g.label, g.runs.peakMb, "MB", "<= 36 MB");
        record("peak memory: bare Qt window", yardstick.peakMb, "MB", "");
        record("peak memory: bare window + one Japanese label", withText.peakMb, "MB", "");
        record("peak memory: bare window + the game's texts and faces", sameText.peakMb, "MB", "");
        for (const Game &g : games)
            record("start-up ratio " + g.label + " / same text (per round)", g.ratios, "x", "median <= 1.10");
        record("start-up ratio typhoros / bare (medians)",
               {percentile(games.first().runs.ms, 0.5) / qMax(0.001, percentile(yardstick.ms, 0.5))}, "x", "");
    }

    SwayScreen sway;
    if (!sway.isOpen()) {
        std::fprintf(stderr, "no sway: Wayland start-up figures skipped (bench/run starts sway)\n");
        return;
    }
    for (Game &g : games)
        g = {g.label, g.dir, {}, {}};
    const StartUp sameText = measureRounds(sway, games, bare, rounds);
    for (const Game &g : games)
        record("Wayland (sway): start-up to first paint: " + g.label, g.runs.ms, "ms", "");
    record("Wayland (sway): start-up to first paint: bare window + the game's texts and faces", sameText.ms, "ms", "");
    for (const Game &g : games)
        record("Wayland (sway): peak memory: " + g.label, g.runs.peakMb, "MB", "");
    record("Wayland (sway): peak memory: bare window + the game's texts and faces", sameText.peakMb, "MB", "");
    for (const Game &g : games)
        record("Wayland (sway): start-up ratio " + g.label + " / same text (per round)", g.ratios, "x",
               "median <= 1.10");
}

} // namespace

int main(int argc, char *argv[])
{
    const auto usage = [] {
        std::fprintf(stderr, "usage: typhoros_bench GAME_DIR BARE_WINDOW SDL_LINKED [--start-up] [--rounds N] "
                             "[--versus LABEL=GAME_DIR]...\n");
        return 2;
    };
    if (argc < 4)
        return usage();
    bool startUpOnly = false;
    int rounds = 20;
    QList<QPair<QString, QString>> versus;
    for (int i = 4; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--start-up"))
            startUpOnly = true;
        else if (arg == QLatin1String("--rounds") && i + 1 < argc && std::atoi(argv[i + 1]) > 0)
            rounds = std::atoi(argv[++i]);
        else if (arg == QLatin1String("--versus") && i + 1 < argc && std::strchr(argv[i + 1], '=')) {
            const QString entry = QString::fromLocal8Bit(argv[++i]);
            versus.append({entry.section('=', 0, 0), entry.section('=', 1)});
        } else {
            return usage();
        }
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
    benchStartUp(gameDir, bare, versus, rounds);

    std::printf("| figure | median | p99 | unit | goal |\n|---|---:|---:|---|---|\n");
    for (const Figure &f : figures)
        std::printf("| %s | %.4g | %.4g | %s | %s |\n", qPrintable(f.name), percentile(f.samples, 0.5),
                    percentile(f.samples, 0.99), qPrintable(f.unit), qPrintable(f.goal));
    return 0;
}
