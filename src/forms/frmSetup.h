// SPDX-License-Identifier: MIT
// The settings dialog: the sound switch on one tab, the version page with the
// link to the game's manual on the other.
#pragma once

#include <QDialog>
#include <array>

class LinkLabel;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;
class World;
class clsSetup;

class frmSetup : public QDialog
{
    Q_OBJECT
public:
    // Builds the dialog afresh and loads the switch from `setup`. `world`
    // opens the manual in `programDirectory`; both must outlive the dialog.
    frmSetup(World &world, clsSetup &setup, const QString &programDirectory, QWidget *parent = nullptr);

    // The dialog's event procedures. Form_Load runs in the constructor.
    void Form_Load();
    void cmdOK_Click();
    void cmdCancel_Click();
    void lblQuenmark_Click();

    // The address the maker's link opens: the manual beside the program.
    QUrl manualUrl() const;

    QTabWidget *SSTab1;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;
    QGroupBox *Frame3;
    std::array<QRadioButton *, 2> optSound{}; // 0 OFF, 1 ON
    QLabel *Picture1;
    QLabel *Label2;
    QLabel *Label3;
    LinkLabel *lblQuenmark;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void showTab(int index);

    World &m_world;
    clsSetup &m_setup;
    QString m_programDirectory;
};
