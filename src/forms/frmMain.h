// SPDX-License-Identifier: MIT
// The game window: play field, answer box, level choice, high-score table,
// and the whole game played in its event procedures.
//
// Where the game's state lives (the controls hold what they can):
//
//   state                 held by                      written by                     read by
//   idle / playing        cmdStart->isEnabled()        cmdStart_Click (off),          isPlaying(): txtInput_KeyDown,
//                         (enabled = idle)             ReturnToIdle (on)              cmdExit_Click, timScrool_Timer
//   invader free          lblUFO[i] empty Caption      LaunchUfos (fills);            LaunchUfos, timScrool_Timer,
//                                                      cmdStart_Click, shots, 練習    txtInput_KeyDown
//                                                      landings (empty)
//   invader's question    lblUFO[i] Caption            LaunchUfos                     txtInput_KeyDown (compares)
//   position (twips)      lblUFO[i] Top / Left         LaunchUfos, LayOutLanes,       txtInput_KeyDown (points),
//                                                      timScrool_Timer (Top)          timScrool_Timer (landing)
//   fall step (twips)     lblUFO[i] Tag, decimal text  LaunchUfos                     timScrool_Timer
//   kind                  lblUFO[i] ForeColor          LaunchUfos                     txtInput_KeyDown
//                         (Black, Red, Blue)
//   descent paused        timScrool->Tag == "Blue"     txtInput_KeyDown (blue hit),   timScrool_Timer
//                                                      timScrool_Timer (clears)
//   ticks paused so far   m_intBlueTicks               timScrool_Timer                timScrool_Timer
//   level, slots in play  m_intLevel, m_intUfoCount    cmdStart_Click                 LaunchUfos, LayOutLanes, UfoLanded
//   score of the game     m_lngPoint                   cmdStart_Click (0), shots      UfoLanded (offers it)
//   high scores, sound    clsSetup (m_setup)           UfoLanded, the settings dialog ShowHiScores, PlaySoundCue
#pragma once

#include "platform/DataFolders.h"

#include <QWidget>
#include <array>
#include <memory>

class AnswerBox;
class FrameBox;
class GameTimer;
class PlayField;
class QLabel;
class QPushButton;
class QRadioButton;
class UfoLabel;
class World;
class clsMondai;
class clsSetup;

class frmMain : public QWidget
{
    Q_OBJECT
public:
    // Invader kinds, as text colours 0x00BBGGRR.
    static constexpr quint32 Black = 0x000000;
    static constexpr quint32 Red = 0x0000FF;
    static constexpr quint32 Blue = 0xFF0000;

    // The game's sounds, by number (the numbers are the cues' identity in
    // PlaySoundCue and its tests); the command line of each is in
    // PlaySoundCue's table.
    enum class SoundCue : qint16 { Hit = 1, Miss = 2, Descent = 3, RedHit = 4, BlueHit = 5, HighScore = 6 };

    // Builds the window at rest. `world` and `setup` must outlive it;
    // question files are read from `folders`.
    frmMain(World &world, clsSetup &setup, const DataFolders &folders);
    ~frmMain() override;

    // Loads the window before it is first shown: selects 練習, loads
    // Mondai0.txt to Mondai3.txt in that order and fills the high-score
    // labels. Throws the bank's RuntimeError when a question file is missing.
    void Form_Load();

    // The window's event procedures, public so that the program and tests can
    // raise them. Key codes are numeric: 13 is Enter.
    void cmdStart_Click();
    void cmdExit_Click();
    void cmdSetup_Click();
    void timScrool_Timer();
    void txtInput_KeyDown(qint16 &KeyCode, qint16 &Shift);

    // True while a game runs (the start button is disabled).
    bool isPlaying() const;

    // Freezes the game where it stands: no tick runs after this, and the
    // controls keep their state. For a run-time error, whose report opens
    // next and after which the program ends.
    void freezeGame();

    qint16 intLevel() const { return m_intLevel; }
    qint16 intUfoCount() const { return m_intUfoCount; }
    qint32 lngPoint() const { return m_lngPoint; }
    qint16 intBlueTicks() const { return m_intBlueTicks; }

    // The controls, by the names the game uses.
    PlayField *picScreen;
    std::array<UfoLabel *, 4> lblUFO{};
    AnswerBox *txtInput;
    FrameBox *Frame1;
    std::array<QRadioButton *, 4> optLevel{};
    QPushButton *cmdStart;
    FrameBox *Frame2;
    std::array<QLabel *, 5> lblScore{};
    QPushButton *cmdSetup;
    QPushButton *cmdExit;
    GameTimer *timScrool;

signals:
    // The exit button was pressed while idle: the program should end now.
    void programEnded();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void LaunchUfos();
    void UfoLanded(qint16 &intIndex);
    void PlaySoundCue(SoundCue cue);
    void ShowHiScores();
    void ReturnToIdle();
    void LayOutLanes();
    void buildControls();

    World &m_world;
    clsSetup &m_setup;
    DataFolders m_folders;
    std::array<std::unique_ptr<clsMondai>, 4> objMondai;
    qint16 m_intLevel = 0;
    qint16 m_intUfoCount = 0;
    qint32 m_lngPoint = 0;
    qint16 m_intBlueTicks = 0;
    bool m_centred = false;
};
