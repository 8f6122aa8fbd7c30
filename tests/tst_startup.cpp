// SPDX-License-Identifier: MIT
// Start-up: the way to the session's input method, the settings store and
// the window come up in order, and a missing
// question file stops the program with the run-time error report before any
// window is drawn; an error in an event procedure stops the game before the
// report opens.
#include "app/modTyphoros.h"
#include "classes/clsSetup.h"
#include "desktop/InputMethodRoute.h"
#include "desktop/SystemWorld.h"
#include "forms/frmMain.h"
#include "platform/RuntimeError.h"

#include "FakeWorld.h"
#include "TestFiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QMessageBox>
#include <QLabel>
#include <QLineEdit>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(InputMethodRoute::Session)

class tst_startup : public QObject
{
    Q_OBJECT
private slots:
    void startsAndShowsWindow();
    void missingQuestionFile_data();
    void missingQuestionFile();
    void reportGoesToBoxAndExitCode();
    void errorInEventProcedureStopsTheGameFirst();
    void boxesBelongToTheGameWindowAndKeepTheKeys();
    void inputMethodRoute_data();
    void inputMethodRoute();
};

void tst_startup::startsAndShowsWindow()
{
    QTemporaryDir dir;
    TestFiles::writeQuestionFiles(dir.path(), {{"a"}, {"b"}, {"c"}, {"d"}});
    TestFiles::write(dir.filePath("Typhoros.ini"), "[HiScore]\r\nScore1=42\r\n");
    FakeWorld world;
    auto window = modTyphoros::Main(world, dir.path());
    QVERIFY(window->isVisible());
    QVERIFY(modTyphoros::gclsSetup);
    QCOMPARE(window->lblScore[0]->text(), QStringLiteral("42"));
    QVERIFY(world.messages.isEmpty());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 5); // nothing written
}

void tst_startup::missingQuestionFile_data()
{
    QTest::addColumn<QStringList>("missing");
    QTest::addColumn<QString>("named");
    QTest::newRow("Mondai2.txt") << QStringList{"Mondai2.txt"} << "Mondai2.txt";
    QTest::newRow("banks load in order") << QStringList{"Mondai1.txt", "Mondai2.txt"} << "Mondai1.txt";
    QTest::newRow("Mondai0.txt") << QStringList{"Mondai0.txt"} << "Mondai0.txt";
}

void tst_startup::missingQuestionFile()
{
    QFETCH(QStringList, missing);
    QFETCH(QString, named);
    QTemporaryDir dir;
    TestFiles::writeQuestionFiles(dir.path(), {{"a"}, {"b"}, {"c"}, {"d"}});
    for (const QString &name : missing)
        QFile::remove(dir.filePath(name));
    FakeWorld world;
    try {
        modTyphoros::Main(world, dir.path());
        QFAIL("started without a question file");
    } catch (const RuntimeError &e) {
        QCOMPARE(int(e.number()), 53);
        QCOMPARE(QFileInfo(e.fileName()).fileName(), named);
    }
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY(!w->isVisible());
}

void tst_startup::reportGoesToBoxAndExitCode()
{
    FakeWorld world;
    const RuntimeError error(RuntimeError::FileNotFound, "/opt/typhoros/Mondai2.txt");
    const int code = modTyphoros::ReportRuntimeError(world, error);
    QCOMPARE(code, 53);
    QCOMPARE(world.messages.size(), 1);
    QCOMPARE(world.messages[0].second, QStringLiteral("Typhoros"));
    QCOMPARE(world.messages[0].first, error.report());
    QVERIFY(world.messages[0].first.contains("Mondai2.txt"));
}

void tst_startup::errorInEventProcedureStopsTheGameFirst()
{
    QProcess child;
    child.start(RUNTIME_ERROR_CHILD);
    QVERIFY(child.waitForFinished(20000));
    const QByteArray err = child.readAllStandardError();
    QCOMPARE(child.exitCode(), 6);
    QVERIFY2(err.contains("Run-time error '6'"), err.constData());
    // One report, behind which the game stood still.
    QCOMPARE(err.count("a report opened"), 1);
    QVERIFY2(err.contains("while the report was open: 0 cues, settings unchanged"), err.constData());
}

void tst_startup::boxesBelongToTheGameWindowAndKeepTheKeys()
{
    QWidget game;
    game.show();
    QVERIFY(QTest::qWaitForWindowExposed(&game));
    SystemWorld world(QDir::currentPath());
    world.setOwnerWindow(&game);
    // The name prompt and the message boxes: children of the game window
    // (transient for it), modal, captions as given.
    const auto box = world.makeMessageBox(QStringLiteral("Geme Over"), QStringLiteral("Typhoros"));
    const auto prompt = world.makeInputDialog(QStringLiteral("やるな！名前は？"), QStringLiteral("ハイスコア"), {});
    for (QDialog *d : {static_cast<QDialog *>(box.get()), static_cast<QDialog *>(prompt.get())}) {
        QCOMPARE(d->parentWidget(), &game);
        QVERIFY(d->isWindow());
        QCOMPARE(d->windowModality(), Qt::ApplicationModal);
    }
    QCOMPARE(prompt->windowTitle(), QStringLiteral("ハイスコア"));

    // While it is open, the window system gives the keyboard to the game
    // window (a click on it where the compositor does not keep it with the
    // box) and sends the game window the player's keys: they, and the input
    // method's text, go to the box. Shown without a nested loop, so the test
    // goes on.
    prompt->show();
    QVERIFY(QTest::qWaitForWindowActive(prompt.get()));
    QWindow *gameWindow = game.windowHandle();
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    QWindowSystemInterface::handleFocusWindowChanged(gameWindow, Qt::MouseFocusReason);
#else
    QWindowSystemInterface::handleWindowActivated(gameWindow, Qt::MouseFocusReason);
#endif
    QCoreApplication::processEvents();
    QTRY_COMPARE(QGuiApplication::focusWindow(), prompt->windowHandle());
    QCOMPARE(QApplication::activeWindow(), static_cast<QWidget *>(prompt.get()));
    const auto typeInto = [](QWindow *window, Qt::Key key, const QString &text) {
        QWindowSystemInterface::handleKeyEvent(window, QEvent::KeyPress, key, Qt::NoModifier, text);
        QWindowSystemInterface::handleKeyEvent(window, QEvent::KeyRelease, key, Qt::NoModifier, text);
        QCoreApplication::processEvents();
    };
    typeInto(gameWindow, Qt::Key_A, QStringLiteral("a"));
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("ねこ"));
    QCoreApplication::sendEvent(QGuiApplication::focusObject(), &commit);
    QCOMPARE(prompt->textValue(), QStringLiteral("aねこ"));
    typeInto(gameWindow, Qt::Key_Return, QStringLiteral("\r"));
    QCOMPARE(prompt->result(), int(QDialog::Accepted));

    // Closed, the box leaves the keyboard with the game window again.
    QTRY_COMPARE(QGuiApplication::focusWindow(), gameWindow);
    auto *answer = new QLineEdit(&game);
    answer->show();
    answer->setFocus();
    typeInto(gameWindow, Qt::Key_B, QStringLiteral("b"));
    QCOMPARE(answer->text(), QStringLiteral("b"));
}

void tst_startup::inputMethodRoute_data()
{
    using S = InputMethodRoute::Session;
    QTest::addColumn<S>("session");
    QTest::addColumn<QByteArray>("platform");
    QTest::addColumn<QByteArray>("module");
    // platform, module, wayland, x11, textInput, framework
    QTest::newRow("GNOME 43, Qt 6.4, XWayland: through it, with the module")
        << S{"", "", true, true, false, "ibus"} << QByteArray("xcb") << QByteArray("ibus");
    QTest::newRow("GNOME without XWayland: the module natively")
        << S{"", "", true, false, false, "ibus"} << QByteArray() << QByteArray("ibus");
    QTest::newRow("GNOME 48, Qt 6.8 (text-input v3): Qt alone")
        << S{"", "", true, true, true, "ibus"} << QByteArray() << QByteArray();
    QTest::newRow("KDE Plasma (text-input v2): Qt alone")
        << S{"", "", true, true, true, "fcitx"} << QByteArray() << QByteArray();
    QTest::newRow("X11 session without a module (GNOME on Xorg)")
        << S{"", "", false, true, false, "ibus"} << QByteArray() << QByteArray("ibus");
    QTest::newRow("the player's module stands")
        << S{"", "fcitx", true, true, false, "ibus"} << QByteArray() << QByteArray();
    QTest::newRow("the player's Wayland platform stands")
        << S{"wayland", "", false, true, false, "ibus"} << QByteArray() << QByteArray("ibus");
    QTest::newRow("no input method runs") << S{"", "", true, true, false, ""} << QByteArray() << QByteArray();
    QTest::newRow("offscreen") << S{"offscreen", "", false, false, false, "ibus"} << QByteArray() << QByteArray();
}

void tst_startup::inputMethodRoute()
{
    QFETCH(InputMethodRoute::Session, session);
    QFETCH(QByteArray, platform);
    QFETCH(QByteArray, module);
    const InputMethodRoute::Route route = InputMethodRoute::choose(session);
    QCOMPARE(route.platform, platform);
    QCOMPARE(route.module, module);
}

QTEST_MAIN(tst_startup)
#include "tst_startup.moc"
