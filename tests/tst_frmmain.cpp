// SPDX-License-Identifier: MIT
// The game window at rest: its layout as designed, the state after loading,
// the high-score labels, focus order, the buttons while idle, and the frames
// drawn as the style draws them.
#include "desktop/Fonts.h"
#include "forms/AnswerBox.h"
#include "forms/FrameBox.h"
#include "forms/GameTimer.h"
#include "forms/PlayField.h"
#include "forms/UfoLabel.h"
#include "forms/frmSetup.h"

#include "GameFixture.h"

#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

namespace {

QByteArray rankedFile()
{
    return "[HiScore]\r\nScore1=900\r\nHolder1=\x82\xA0\r\nDate1=2026/05/01 09:05\r\n"
           "Score2=800\r\nHolder2=\r\nDate2=2026/05/02 10:00\r\n"
           "Score3=-3\r\n";
}

} // namespace

class tst_frmmain : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
        Fonts::installSubstitutions();
    }
    void windowFrame();
    void layout_data();
    void layout();
    void fonts();
    void framesLookAsTheStyleDrawsThem();
    void atRestAfterLoad();
    void highScoreLabels();
    void invadersAreClippedByTheField();
    void focusOrder();
    void exitWhileIdleEndsProgram();
    void settingsButtonOnlyWhileIdle();
};

void tst_frmmain::windowFrame()
{
    GameFixture g;
    frmMain &w = *g.form;
    QCOMPARE(w.windowTitle(), QStringLiteral("Typhoros"));
    QCOMPARE(w.size(), QSize(755, 543));
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(w.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(w.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!w.windowIcon().isNull());
    QCOMPARE(w.windowIcon().availableSizes(), QList<QSize>({QSize(16, 16), QSize(32, 32)}));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(qAbs(w.frameGeometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(w.frameGeometry().center().y() - screen.center().y()) <= 1);
}

void tst_frmmain::layout_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("pixels");
    QTest::addColumn<QString>("caption");
    QTest::newRow("picScreen") << "picScreen" << QRect(8, 8, 641, 481) << "";
    QTest::newRow("txtInput") << "txtInput" << QRect(8, 496, 641, 38) << "";
    QTest::newRow("Frame1") << "Frame1" << QRect(656, 8, 89, 137) << "Level";
    QTest::newRow("cmdStart") << "cmdStart" << QRect(656, 152, 89, 33) << QStringLiteral("開始");
    QTest::newRow("Frame2") << "Frame2" << QRect(656, 200, 97, 145) << QStringLiteral("ハイスコア");
    QTest::newRow("cmdSetup") << "cmdSetup" << QRect(656, 456, 89, 33) << QStringLiteral("設定...");
    QTest::newRow("cmdExit") << "cmdExit" << QRect(656, 496, 89, 33) << QStringLiteral("終了");
    const char16_t *levels[] = {u"練習", u"初級", u"中級", u"上級"};
    for (int i = 0; i < 4; ++i)
        QTest::addRow("optLevel(%d)", i) << QStringLiteral("optLevel%1").arg(i) << QRect(16, 24 + 24 * i, 57, 25)
                                         << QString::fromUtf16(levels[i]);
    for (int i = 0; i < 5; ++i)
        QTest::addRow("lblScore(%d)", i) << QStringLiteral("lblScore%1").arg(i) << QRect(8, 16 + 24 * i, 81, 25) << "";
}

void tst_frmmain::layout()
{
    QFETCH(QString, control);
    QFETCH(QRect, pixels);
    QFETCH(QString, caption);
    GameFixture g;
    frmMain &w = *g.form;
    const QHash<QString, QWidget *> controls{
        {"picScreen", w.picScreen}, {"txtInput", w.txtInput}, {"Frame1", w.Frame1},
        {"cmdStart", w.cmdStart},   {"Frame2", w.Frame2},     {"cmdSetup", w.cmdSetup},
        {"cmdExit", w.cmdExit},     {"optLevel0", w.optLevel[0]}, {"optLevel1", w.optLevel[1]},
        {"optLevel2", w.optLevel[2]}, {"optLevel3", w.optLevel[3]}, {"lblScore0", w.lblScore[0]},
        {"lblScore1", w.lblScore[1]}, {"lblScore2", w.lblScore[2]}, {"lblScore3", w.lblScore[3]},
        {"lblScore4", w.lblScore[4]},
    };
    QWidget *widget = controls.value(control);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), pixels);
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        QCOMPARE(button->text(), caption);
    if (auto *frame = qobject_cast<QGroupBox *>(widget))
        QCOMPARE(frame->title(), caption);
    if (auto *button = qobject_cast<QPushButton *>(widget))
        QVERIFY(!button->isDefault() && !button->autoDefault());
}

void tst_frmmain::fonts()
{
    GameFixture g;
    frmMain &w = *g.form;
    QCOMPARE(w.txtInput->font().pointSizeF(), 26.25);
    QVERIFY(w.txtInput->font().bold());
    QCOMPARE(QFontInfo(w.txtInput->font()).family(), QStringLiteral("IPAPMincho"));
    QCOMPARE(QFontInfo(w.lblUFO[0]->font()).family(), QStringLiteral("IPAPGothic"));
    QCOMPARE(w.lblUFO[0]->font().pointSizeF(), 15.75);
    QVERIFY(w.lblScore[0]->font().italic());
    QCOMPARE(w.lblScore[0]->palette().color(QPalette::Window), QColor(128, 128, 128));
    QCOMPARE(w.lblScore[0]->palette().color(QPalette::WindowText), QColor(255, 255, 255));
    QCOMPARE(w.lblScore[0]->alignment(), Qt::AlignCenter);
}

void tst_frmmain::framesLookAsTheStyleDrawsThem()
{
    // Fusion's own border and the painted one may part only at the corners'
    // antialiasing; a missing, shifted or darker border parts along its length.
    for (const auto &[styleName, allowed] : {std::pair{"Fusion", 8}, std::pair{"Windows", 0}}) {
        const std::unique_ptr<QStyle> style(QStyleFactory::create(styleName));
        for (const QString &caption : {QStringLiteral("Level"), QString()}) {
            QGroupBox reference(caption);
            FrameBox frame(caption);
            QImage images[2];
            int i = 0;
            for (QGroupBox *box : {&reference, static_cast<QGroupBox *>(&frame)}) {
                box->setStyle(style.get());
                box->resize(89, 137);
                images[i++] = box->grab().toImage();
            }
            int differing = 0;
            for (int y = 0; y < images[0].height(); ++y)
                for (int x = 0; x < images[0].width(); ++x) {
                    const QColor a = images[0].pixelColor(x, y), b = images[1].pixelColor(x, y);
                    differing += qMax(qAbs(a.red() - b.red()), qMax(qAbs(a.green() - b.green()), qAbs(a.blue() - b.blue()))) > 8;
                }
            QVERIFY2(differing <= allowed, qPrintable(QStringLiteral("%1 \"%2\": %3 pixels differ").arg(styleName, caption).arg(differing)));
        }
    }
}

void tst_frmmain::atRestAfterLoad()
{
    GameFixture g;
    frmMain &w = *g.form;
    QVERIFY(w.optLevel[0]->isChecked());
    QVERIFY(!w.isPlaying());
    QVERIFY(w.cmdStart->isEnabled() && w.cmdSetup->isEnabled() && w.cmdExit->isEnabled());
    for (QRadioButton *o : w.optLevel)
        QVERIFY(o->isEnabled());
    for (UfoLabel *u : w.lblUFO)
        QVERIFY(!u->Visible());
    QVERIFY(!w.timScrool->isActive());
    QCOMPARE(w.timScrool->Tag, QString());
    QCOMPARE(w.txtInput->text(), QString());
    QCOMPARE(w.lblUFO[3]->text(), QStringLiteral("問題４"));
    QCOMPARE(g.world.draws, 0);
    // Choosing a level does nothing until the start.
    QTest::mouseClick(w.optLevel[3], Qt::LeftButton);
    QVERIFY(w.optLevel[3]->isChecked() && !w.optLevel[0]->isChecked());
    QCOMPARE(w.intLevel(), 0);
}

void tst_frmmain::highScoreLabels()
{
    {
        GameFixture g;
        for (QLabel *l : g.form->lblScore) {
            QCOMPARE(l->text(), QStringLiteral("0"));
            QCOMPARE(l->toolTip(), QStringLiteral("1970/01/01 Err"));
        }
    }
    GameFixture g({}, false, rankedFile());
    QCOMPARE(g.form->lblScore[0]->text(), QStringLiteral("900"));
    QCOMPARE(g.form->lblScore[0]->toolTip(), QStringLiteral("2026/05/01 9:05:00 あ"));
    QCOMPARE(g.form->lblScore[1]->toolTip(), QStringLiteral("2026/05/02 10:00:00 ")); // empty holder
    QCOMPARE(g.form->lblScore[2]->text(), QStringLiteral("-3"));
    QCOMPARE(g.form->lblScore[4]->toolTip(), QStringLiteral("1970/01/01 Err"));
}

void tst_frmmain::invadersAreClippedByTheField()
{
    GameFixture g;
    frmMain &w = *g.form;
    QWidget *canvas = w.picScreen->canvas();
    QCOMPARE(canvas->geometry(), QRect(2, 2, 637, 477));
    for (UfoLabel *u : w.lblUFO)
        QCOMPARE(u->parentWidget(), canvas);
    g.start(0);
    g.tick();
    w.lblUFO[0]->setTop(7400.5f);
    QCOMPARE(w.lblUFO[0]->Top(), 7400.5f);
    QCOMPARE(w.lblUFO[0]->y(), 493);
    QVERIFY(!canvas->rect().intersects(w.lblUFO[0]->geometry()));
    w.lblUFO[0]->setLeft(4217.5f);
    QCOMPARE(w.lblUFO[0]->Left(), 4217.5f);
    QCOMPARE(w.lblUFO[0]->x(), 281);
    // The label sizes itself to its caption.
    const int shortWidth = w.lblUFO[0]->width();
    w.lblUFO[0]->setCaption(w.lblUFO[0]->Caption() + QStringLiteral("ながいもんだい"));
    QVERIFY(w.lblUFO[0]->width() > shortWidth);
}

void tst_frmmain::focusOrder()
{
    GameFixture g;
    frmMain &w = *g.form;
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(QApplication::focusWidget(), w.txtInput);
    const QList<QWidget *> order{w.picScreen, w.cmdStart, w.cmdExit, w.optLevel[0], w.cmdSetup, w.txtInput};
    for (QWidget *next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

void tst_frmmain::exitWhileIdleEndsProgram()
{
    GameFixture g;
    QSignalSpy ended(g.form.get(), &frmMain::programEnded);
    QTest::mouseClick(g.form->cmdExit, Qt::LeftButton);
    QCOMPARE(ended.count(), 1);
}

void tst_frmmain::settingsButtonOnlyWhileIdle()
{
    GameFixture g;
    bool startedOnSettingsTab = false;
    g.world.onDialog = [&](QDialog &dialog) {
        auto &setup = static_cast<frmSetup &>(dialog);
        startedOnSettingsTab = setup.windowTitle() == QStringLiteral("設定");
        return int(QDialog::Rejected);
    };
    QTest::mouseClick(g.form->cmdSetup, Qt::LeftButton);
    QCOMPARE(g.world.dialogs, 1);
    QVERIFY(startedOnSettingsTab);
    g.start(1);
    QTest::mouseClick(g.form->cmdSetup, Qt::LeftButton);
    QCOMPARE(g.world.dialogs, 1);
}

QTEST_MAIN(tst_frmmain)
#include "tst_frmmain.moc"
