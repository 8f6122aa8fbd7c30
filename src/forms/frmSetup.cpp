// SPDX-License-Identifier: MIT
// The settings dialog.
#include "frmSetup.h"

#include "FormUnits.h"
#include "GameIcon.h"
#include "LinkLabel.h"

#include "classes/clsSetup.h"
#include "desktop/Fonts.h"
#include "platform/World.h"

#include <QButtonGroup>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QUrl>

using FormUnits::twipsRect;

frmSetup::frmSetup(World &world, clsSetup &setup, const QString &programDirectory, QWidget *parent)
    : QDialog(parent), m_world(world), m_setup(setup), m_programDirectory(programDirectory)
{
    setWindowTitle(QStringLiteral("設定"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(FormUnits::px(5070), FormUnits::px(2670));
    setFont(Fonts::make(QStringLiteral("ＭＳ 明朝"), 11.25));

    // The tab pages stay empty: the controls sit on the tab control itself,
    // positioned from its top-left corner (tab strip included), and are
    // shown with their tab.
    SSTab1 = new QTabWidget(this);
    SSTab1->setGeometry(twipsRect(120, 120, 4755, 1935));
    SSTab1->addTab(new QWidget, QStringLiteral("設定"));
    SSTab1->addTab(new QWidget, QStringLiteral("バージョン"));

    Frame3 = new QGroupBox(QStringLiteral("サウンド"), SSTab1);
    Frame3->setGeometry(twipsRect(1200, 600, 2415, 855));
    optSound[1] = new QRadioButton(QStringLiteral("ON"), Frame3);
    optSound[1]->setGeometry(twipsRect(360, 360, 615, 255));
    optSound[0] = new QRadioButton(QStringLiteral("OFF"), Frame3);
    optSound[0]->setGeometry(twipsRect(1320, 360, 855, 255));
    auto *soundGroup = new QButtonGroup(this);
    soundGroup->addButton(optSound[0], 0);
    soundGroup->addButton(optSound[1], 1);

    Picture1 = new QLabel(SSTab1);
    Picture1->setGeometry(twipsRect(240, 600, 540, 540));
    Picture1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Picture1->setLineWidth(2);
    Picture1->setAlignment(Qt::AlignCenter);
    Picture1->setPixmap(GameIcon::large());
    Picture1->setFocusPolicy(Qt::TabFocus);

    Label2 = new QLabel(QStringLiteral(TYPHOROS_NAME " Ver" TYPHOROS_VERSION), SSTab1);
    Label2->setGeometry(twipsRect(960, 600, 3735, 615));
    Label2->setFont(Fonts::make(QStringLiteral("MS Serif"), 24));

    // Right-aligned so that the credit reads on into the maker's name; the
    // no-break space keeps a gap that alignment would trim.
    Label3 = new QLabel(QStringLiteral("A typing game by\u00A0"), SSTab1);
    Label3->setGeometry(twipsRect(1200, 1320, 2295, 375));
    Label3->setAlignment(Qt::AlignRight | Qt::AlignTop);

    lblQuenmark = new LinkLabel(QStringLiteral("Quenmark"), SSTab1);
    lblQuenmark->setGeometry(twipsRect(3480, 1320, 1095, 255));
    lblQuenmark->setFont(Fonts::make(QStringLiteral("ＭＳ 明朝"), 11.25, false, false, true));
    QPalette linkPalette = lblQuenmark->palette();
    linkPalette.setColor(QPalette::WindowText, FormUnits::color(0xFF0000));
    lblQuenmark->setPalette(linkPalette);

    cmdOK = new QPushButton(QStringLiteral("設定"), this);
    cmdOK->setGeometry(twipsRect(2160, 2160, 1215, 375));
    cmdCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cmdCancel->setGeometry(twipsRect(3600, 2160, 1215, 375));
    for (QPushButton *b : {cmdOK, cmdCancel}) {
        b->setFont(Fonts::make(QStringLiteral("ＭＳ Ｐゴシック"), 9));
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    setTabOrder(cmdOK, cmdCancel);
    setTabOrder(cmdCancel, SSTab1);
    setTabOrder(SSTab1, optSound[1]);
    setTabOrder(optSound[1], optSound[0]);
    setTabOrder(optSound[0], Picture1);

    connect(cmdOK, &QPushButton::clicked, this, &frmSetup::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSetup::cmdCancel_Click);
    connect(lblQuenmark, &LinkLabel::clicked, this, &frmSetup::lblQuenmark_Click);
    connect(SSTab1, &QTabWidget::currentChanged, this, &frmSetup::showTab);

    SSTab1->setCurrentIndex(0);
    showTab(0);
    cmdOK->setFocus();
    Form_Load();
}

void frmSetup::showTab(int index)
{
    Frame3->setVisible(index == 0);
    for (QWidget *w : std::initializer_list<QWidget *>{Picture1, Label2, Label3, lblQuenmark})
        w->setVisible(index == 1);
    for (QWidget *w : std::initializer_list<QWidget *>{Frame3, Picture1, Label2, Label3, lblQuenmark})
        w->raise();
}

void frmSetup::Form_Load()
{
    optSound[m_setup.SoundOnOff() ? 1 : 0]->setChecked(true);
}

void frmSetup::cmdOK_Click()
{
    m_setup.setSoundOnOff(optSound[1]->isChecked());
    accept();
}

void frmSetup::cmdCancel_Click()
{
    reject();
}

QUrl frmSetup::manualUrl() const
{
    return QUrl::fromLocalFile(QDir(m_programDirectory).absoluteFilePath(QStringLiteral("manual.html")));
}

void frmSetup::lblQuenmark_Click()
{
    m_world.openUrl(manualUrl());
}

void frmSetup::showEvent(QShowEvent *event)
{
    FormUnits::centreOnScreen(*this);
    QDialog::showEvent(event);
}

void frmSetup::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        // No cancel button: Escape does nothing here.
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter presses the focused button, and nothing else.
        if (auto *button = qobject_cast<QPushButton *>(focusWidget())) {
            button->click();
            event->accept();
            return;
        }
        event->ignore();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
