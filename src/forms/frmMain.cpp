// SPDX-License-Identifier: MIT
// The game window and the game: start, launch, descent, shots, landing and
// the high-score entry.
#include "frmMain.h"

#include "AnswerBox.h"
#include "FormUnits.h"
#include "FrameBox.h"
#include "GameIcon.h"
#include "GameTimer.h"
#include "PlayField.h"
#include "UfoLabel.h"
#include "frmSetup.h"

#include "classes/clsMondai.h"
#include "classes/clsSetup.h"
#include "desktop/Fonts.h"
#include "platform/Runtime.h"
#include "platform/RuntimeError.h"
#include "platform/World.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

using FormUnits::twipsRect;
using Runtime::checked16;
using Runtime::checked32;

namespace {

// Lanes, in twips. The width reckoned per character of a question:
constexpr qint64 CharWidth = 295;
// The first lane's distance from the left border:
constexpr float LeftLane = 10;
// At level 3 the two middle lanes stand at a quarter and a half of the
// field's width less this much, whatever their questions:
constexpr float MiddleLanesReserve = 800;
// A right-aligned lane reckons its question one character longer, which
// keeps its last character clear of the border.
constexpr qint64 RightLaneExtraChars = 1;
// Fall steps: slot i falls a whole step from 80 to 80 * (i + 1) twips a tick.
constexpr qint16 FallStep = 80;


} // namespace

frmMain::frmMain(World &world, clsSetup &setup, const DataFolders &folders)
    : m_world(world), m_setup(setup), m_folders(folders)
{
    buildControls();
}

frmMain::~frmMain() = default;

void frmMain::buildControls()
{
    setWindowTitle(QStringLiteral(TYPHOROS_NAME));
    setWindowIcon(GameIcon::icon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(FormUnits::px(11325), FormUnits::px(8145));

    picScreen = new PlayField(this);
    picScreen->setFieldGeometry(twipsRect(120, 120, 9615, 7215));
    for (int i = 0; i < 4; ++i) {
        auto *ufo = new UfoLabel(picScreen->canvas());
        ufo->setFont(Fonts::make(QStringLiteral("ＭＳ Ｐゴシック"), 15.75, true));
        ufo->setGeometry(twipsRect(120, 360 * i, 885, 315));
        ufo->setText(QStringLiteral("問題") + QChar(0xFF11 + i));
        ufo->hide();
        lblUFO[i] = ufo;
    }

    txtInput = new AnswerBox(this);
    txtInput->setGeometry(twipsRect(120, 7440, 9615, 570));
    txtInput->setFont(Fonts::make(QStringLiteral("ＭＳ Ｐ明朝"), 26.25, true));

    Frame1 = new FrameBox(QStringLiteral("Level"), this);
    Frame1->setGeometry(twipsRect(9840, 120, 1335, 2055));
    static const char16_t *const levels[] = {u"練習", u"初級", u"中級", u"上級"};
    auto *levelGroup = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        optLevel[i] = new QRadioButton(QString::fromUtf16(levels[i]), Frame1);
        optLevel[i]->setGeometry(twipsRect(240, 360 + 360 * i, 855, 375));
        levelGroup->addButton(optLevel[i], i);
    }

    cmdStart = new QPushButton(QStringLiteral("開始"), this);
    cmdStart->setGeometry(twipsRect(9840, 2280, 1335, 495));

    Frame2 = new FrameBox(QStringLiteral("ハイスコア"), this);
    Frame2->setGeometry(twipsRect(9840, 3000, 1455, 2175));
    for (int i = 0; i < 5; ++i) {
        auto *label = new QLabel(QStringLiteral("Label1"), Frame2);
        label->setGeometry(twipsRect(120, 240 + 360 * i, 1215, 375));
        label->setAlignment(Qt::AlignCenter);
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
        label->setLineWidth(1);
        label->setFont(Fonts::make(QStringLiteral("ＭＳ Ｐゴシック"), 12, false, true));
        label->setAutoFillBackground(true);
        QPalette p = label->palette();
        p.setColor(QPalette::Window, FormUnits::color(0x808080));
        p.setColor(QPalette::WindowText, FormUnits::color(0xFFFFFF));
        label->setPalette(p);
        lblScore[i] = label;
    }

    cmdSetup = new QPushButton(QStringLiteral("設定..."), this);
    cmdSetup->setGeometry(twipsRect(9840, 6840, 1335, 495));
    cmdExit = new QPushButton(QStringLiteral("終了"), this);
    cmdExit->setGeometry(twipsRect(9840, 7440, 1335, 495));
    for (QPushButton *b : {cmdStart, cmdSetup, cmdExit}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    timScrool = new GameTimer(this);

    // Focus order: answer box, play field, start, exit, level options, settings.
    picScreen->setFocusPolicy(Qt::TabFocus);
    txtInput->setFocus();
    setTabOrder(txtInput, picScreen);
    setTabOrder(picScreen, cmdStart);
    setTabOrder(cmdStart, cmdExit);
    setTabOrder(cmdExit, optLevel[0]);
    for (int i = 0; i < 3; ++i)
        setTabOrder(optLevel[i], optLevel[i + 1]);
    setTabOrder(optLevel[3], cmdSetup);

    connect(cmdStart, &QPushButton::clicked, this, &frmMain::cmdStart_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
    connect(cmdSetup, &QPushButton::clicked, this, &frmMain::cmdSetup_Click);
    connect(timScrool, &QTimer::timeout, this, &frmMain::timScrool_Timer);
    connect(txtInput, &AnswerBox::keyDown, this, [this](qint16 keyCode, qint16 shift) {
        txtInput_KeyDown(keyCode, shift);
    });
}

void frmMain::showEvent(QShowEvent *event)
{
    if (!m_centred) {
        m_centred = true;
        FormUnits::centreOnScreen(*this);
    }
    QWidget::showEvent(event);
}

void frmMain::Form_Load()
{
    optLevel[0]->setChecked(true);
    for (int i = 0; i < 4; ++i) {
        objMondai[i] = std::make_unique<clsMondai>(m_world, m_folders);
        objMondai[i]->LoadMondai(QStringLiteral("Mondai%1.txt").arg(i));
    }
    ShowHiScores();
}

void frmMain::ShowHiScores()
{
    for (int i = 0; i < 5; ++i) {
        const qint16 rank = qint16(i + 1);
        lblScore[i]->setText(QString::number(m_setup.Score(rank)));
        const QString date = m_setup.ScoreDate(rank);
        lblScore[i]->setToolTip(date + QLatin1Char(' ') + m_setup.ScoreHolder(rank));
    }
}

bool frmMain::isPlaying() const
{
    return !cmdStart->isEnabled();
}

void frmMain::freezeGame()
{
    timScrool->stop();
}

void frmMain::ReturnToIdle()
{
    cmdStart->setEnabled(true);
    cmdSetup->setEnabled(true);
    for (QRadioButton *option : optLevel)
        option->setEnabled(true);
    timScrool->stop();
}

void frmMain::cmdExit_Click()
{
    if (!isPlaying()) {
        emit programEnded();
        return;
    }
    ReturnToIdle();
}

void frmMain::cmdSetup_Click()
{
    // Transient for the game window, which keeps the dialog out of the
    // taskbar; it still centres itself on the screen.
    frmSetup dialog(m_world, m_setup, m_folders.program, this);
    m_world.execDialog(dialog);
    // The sound switch's write brought in whatever other games have stored.
    ShowHiScores();
}

void frmMain::cmdStart_Click()
{
    for (int i = 0; i < 4; ++i) {
        if (optLevel[i]->isChecked())
            m_intLevel = qint16(i);
        optLevel[i]->setEnabled(false);
        lblUFO[i]->hide();
    }
    m_intUfoCount = checked16(m_intLevel + 1);
    for (int i = 0; i <= m_intLevel; ++i) {
        lblUFO[i]->setCaption(QString());
        lblUFO[i]->show();
    }
    m_world.randomize();
    m_lngPoint = 0;
    timScrool->setInterval(checked16(800 - 200 * m_intLevel));
    timScrool->start();
    cmdStart->setEnabled(false);
    cmdSetup->setEnabled(false);
    txtInput->setFocus();
}

void frmMain::LayOutLanes()
{
    const float W = picScreen->WidthTwips();
    const auto width = [](const UfoLabel *ufo, qint64 extra) {
        return double(checked32(CharWidth * (ufo->Caption().size() + extra)));
    };
    switch (m_intLevel) {
    case 0:
        lblUFO[0]->setLeft(float((W - width(lblUFO[0], 0)) / 2));
        break;
    case 1:
        lblUFO[0]->setLeft(LeftLane);
        lblUFO[1]->setLeft(float(W - width(lblUFO[1], RightLaneExtraChars)));
        break;
    case 2:
        lblUFO[0]->setLeft(LeftLane);
        lblUFO[1]->setLeft(float((W - width(lblUFO[1], 0)) / 2));
        lblUFO[2]->setLeft(float(W - width(lblUFO[2], RightLaneExtraChars)));
        break;
    case 3:
        lblUFO[0]->setLeft(LeftLane);
        lblUFO[1]->setLeft((W - MiddleLanesReserve) / 4.0f);
        lblUFO[2]->setLeft(2.0f * (W - MiddleLanesReserve) / 4.0f);
        lblUFO[3]->setLeft(float(W - width(lblUFO[3], RightLaneExtraChars)));
        break;
    }
}

void frmMain::LaunchUfos()
{
    for (int i = 0; i < m_intUfoCount; ++i) {
        UfoLabel *ufo = lblUFO[i];
        if (!ufo->Caption().isEmpty())
            continue;
        ufo->setCaption(objMondai[m_intLevel]->GetMondai());
        ufo->setTop(0);
        LayOutLanes();

        // The product and sum are taken in double: in single precision the
        // largest draw rounds up past the top of the range.
        const float r = m_world.rnd();
        const qint16 span = checked16(FallStep * (i + 1) - FallStep + 1);
        const double step = Runtime::Int(double(float(span)) * double(r) + FallStep);
        ufo->Tag = QString::number(qint64(step));

        quint32 kind = Black;
        const float r1 = m_world.rnd();
        if (Runtime::Int(double(r1) * 10 + 1) == 1) {
            kind = Red;
        } else {
            const float r2 = m_world.rnd();
            if (Runtime::Int(double(r2) * 8 + 1) == 1)
                kind = Blue;
        }
        ufo->setForeColor(kind);
    }
}

void frmMain::timScrool_Timer()
{
    LaunchUfos();

    if (timScrool->Tag == QLatin1String("Blue")) {
        if (m_intBlueTicks <= 10) {
            m_intBlueTicks = checked16(m_intBlueTicks + 1);
            return;
        }
        m_intBlueTicks = 0;
        timScrool->Tag.clear();
    }

    PlaySoundCue(SoundCue::Descent);

    const int n = m_intUfoCount - 1;
    for (int i = 0; i <= n; ++i) {
        UfoLabel *ufo = lblUFO[i];
        if (ufo->Caption().isEmpty())
            continue;
        bool ok = false;
        const double step = ufo->Tag.toDouble(&ok);
        if (!ok)
            throw RuntimeError(RuntimeError::TypeMismatch);
        ufo->setTop(float(double(ufo->Top()) + step));
        if (ufo->Top() > picScreen->HeightTwips()) {
            qint16 index = qint16(i);
            UfoLanded(index);
            if (!isPlaying())
                return;
        }
    }
}

void frmMain::txtInput_KeyDown(qint16 &KeyCode, qint16 &Shift)
{
    Q_UNUSED(Shift);
    if (KeyCode != 13)
        return;
    if (!isPlaying()) {
        cmdStart_Click();
        return;
    }

    bool hit = false;
    for (int i = 0; i < m_intUfoCount; ++i) {
        UfoLabel *ufo = lblUFO[i];
        const QString caption = ufo->Caption();
        if (caption.isEmpty() || caption != txtInput->Text())
            continue;
        hit = true;
        ufo->setCaption(QString());
        txtInput->setText(QString());
        m_lngPoint = Runtime::CLng(double(m_lngPoint) + (double(picScreen->HeightTwips()) - double(ufo->Top())) / 10);

        if (ufo->ForeColor() == Red) {
            for (int j = 0; j < m_intUfoCount; ++j)
                lblUFO[j]->setCaption(QString());
            PlaySoundCue(SoundCue::RedHit);
            break;
        }
        if (ufo->ForeColor() == Blue) {
            timScrool->Tag = QStringLiteral("Blue");
            PlaySoundCue(SoundCue::BlueHit);
        } else {
            PlaySoundCue(SoundCue::Hit);
        }
    }
    if (!hit)
        PlaySoundCue(SoundCue::Miss);
}

void frmMain::UfoLanded(qint16 &intIndex)
{
    if (m_intLevel == 0) {
        lblUFO[intIndex]->setCaption(QString());
        return;
    }

    // The timer stops before any box opens, so no tick runs meanwhile.
    ReturnToIdle();
    const qint16 rank = m_setup.SetScore(m_lngPoint);
    if (rank == -1) {
        m_world.msgBox(QStringLiteral("Geme Over"), QStringLiteral(TYPHOROS_NAME));
        return;
    }
    PlaySoundCue(SoundCue::HighScore);
    const std::optional<QString> name =
        m_world.inputBox(QStringLiteral("やるな！名前は？"), QStringLiteral("ハイスコア"), QString());
    m_setup.SetScoreHolder(rank, name);
    ShowHiScores();
}

void frmMain::PlaySoundCue(SoundCue cue)
{
    if (!m_setup.SoundOnOff())
        return;
    struct Command {
        SoundCue cue;
        const char *commandLine;
    };
    static constexpr Command commands[] = {
        {SoundCue::Hit, "Chirp.exe OK.wav 400"},        {SoundCue::Miss, "Chirp.exe NG.wav 400"},
        {SoundCue::Descent, "Chirp.exe Down.wav 100"},  {SoundCue::RedHit, "Chirp.exe red.wav 500"},
        {SoundCue::BlueHit, "Chirp.exe bule.wav 2000"}, {SoundCue::HighScore, "Chirp.exe HighScore.wav 4000"},
    };
    for (const Command &command : commands) {
        // A player that cannot be started costs only the sound: the result
        // is not looked at.
        if (command.cue == cue)
            m_world.startProcess(QString::fromLatin1(command.commandLine));
    }
}
