// SPDX-License-Identifier: MIT
// The settings dialog: layout, the sound switch it shows and stores, its keys
// and the link to the manual.
#include "classes/clsSetup.h"
#include "desktop/Fonts.h"
#include "forms/LinkLabel.h"
#include "forms/frmMain.h"
#include "forms/frmSetup.h"

#include "FakeWorld.h"
#include "GameFixture.h"
#include "TestFiles.h"

#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

class tst_frmsetup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Fonts::installSubstitutions(); }
    void layout();
    void showsStoredSwitch_data();
    void showsStoredSwitch();
    void cancelKeepsSwitch();
    void confirmStoresAtOnce();
    void enterRightAfterOpeningConfirms();
    void escapeAndCloseBoxStoreNothing();
    void alwaysOpensOnSettingsTab();
    void linkOpensManualAndStaysOpen();
    void settingsButtonRunsDialogModally();

private:
    struct Setup {
        QTemporaryDir dir;
        FakeWorld world;
        std::unique_ptr<clsSetup> store;
        explicit Setup(const QByteArray &file = {})
        {
            if (!file.isEmpty())
                TestFiles::write(dir.filePath("Typhoros.ini"), file);
            store = std::make_unique<clsSetup>(world, dir.path());
        }
        QByteArray file() const { return TestFiles::read(store->iniFile()); }
    };
};

void tst_frmsetup::layout()
{
    Setup s;
    frmSetup d(s.world, *s.store, s.dir.path());
    QCOMPARE(d.windowTitle(), QStringLiteral("設定"));
    QCOMPARE(d.size(), QSize(338, 178));
    QCOMPARE(d.minimumSize(), d.maximumSize());
    QVERIFY(!(d.windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint)));
    QCOMPARE(d.SSTab1->geometry(), QRect(8, 8, 317, 129));
    QCOMPARE(d.SSTab1->tabText(0), QStringLiteral("設定"));
    QCOMPARE(d.SSTab1->tabText(1), QStringLiteral("バージョン"));
    QCOMPARE(d.cmdOK->geometry(), QRect(144, 144, 81, 25));
    QCOMPARE(d.cmdCancel->geometry(), QRect(240, 144, 81, 25));
    QCOMPARE(d.cmdOK->text(), QStringLiteral("設定"));
    QCOMPARE(d.cmdCancel->text(), QStringLiteral("キャンセル"));
    QCOMPARE(d.Frame3->title(), QStringLiteral("サウンド"));
    QCOMPARE(d.Frame3->geometry(), QRect(80, 40, 161, 57));
    QCOMPARE(d.optSound[1]->text(), QStringLiteral("ON"));
    QCOMPARE(d.optSound[1]->geometry(), QRect(24, 24, 41, 17));
    QCOMPARE(d.optSound[0]->geometry(), QRect(88, 24, 57, 17));
    QCOMPARE(d.Picture1->geometry(), QRect(16, 40, 36, 36));
    QCOMPARE(d.Picture1->pixmap().size(), QSize(32, 32));
    QCOMPARE(d.Label2->text(), QStringLiteral("Typhoros Ver1.0"));
    QCOMPARE(d.Label2->geometry(), QRect(64, 40, 249, 41));
    QCOMPARE(d.lblQuenmark->text(), QStringLiteral("Quenmark"));
    QCOMPARE(d.lblQuenmark->geometry(), QRect(232, 88, 73, 17));
    QVERIFY(d.lblQuenmark->font().underline());
    QCOMPARE(d.lblQuenmark->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(d.lblQuenmark->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(QFontInfo(d.font()).family(), QStringLiteral("IPAMincho"));
    QCOMPARE(QFontInfo(d.cmdOK->font()).family(), QStringLiteral("IPAPGothic"));
    // Only the shown tab's controls are visible.
    QVERIFY(!d.Frame3->isHidden() && d.lblQuenmark->isHidden());
    d.SSTab1->setCurrentIndex(1);
    QVERIFY(d.Frame3->isHidden() && !d.lblQuenmark->isHidden());
}

void tst_frmsetup::showsStoredSwitch_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("on");
    QTest::newRow("on") << QByteArray("[Setup]\r\nSoundOn=True\r\n") << true;
    QTest::newRow("off") << QByteArray("[Setup]\r\nSoundOn=False\r\n") << false;
    QTest::newRow("no file") << QByteArray() << false;
}

void tst_frmsetup::showsStoredSwitch()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, on);
    Setup s(file);
    frmSetup d(s.world, *s.store, s.dir.path());
    QCOMPARE(d.optSound[1]->isChecked(), on);
    QCOMPARE(d.optSound[0]->isChecked(), !on);
    QCOMPARE(d.SSTab1->currentIndex(), 0);
}

void tst_frmsetup::cancelKeepsSwitch()
{
    Setup s("[Setup]\r\nSoundOn=True\r\n");
    {
        frmSetup d(s.world, *s.store, s.dir.path());
        QTest::mouseClick(d.optSound[0], Qt::LeftButton);
        QVERIFY(d.optSound[0]->isChecked());
        QTest::mouseClick(d.cmdCancel, Qt::LeftButton);
        QCOMPARE(d.result(), int(QDialog::Rejected));
    }
    QVERIFY(s.store->SoundOnOff());
    QCOMPARE(s.file(), QByteArray("[Setup]\r\nSoundOn=True\r\n"));
    frmSetup again(s.world, *s.store, s.dir.path());
    QVERIFY(again.optSound[1]->isChecked());
}

void tst_frmsetup::confirmStoresAtOnce()
{
    Setup s("[Setup]\r\nSoundOn=True\r\n");
    frmSetup d(s.world, *s.store, s.dir.path());
    QTest::mouseClick(d.optSound[0], Qt::LeftButton);
    QTest::mouseClick(d.cmdOK, Qt::LeftButton);
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QVERIFY(!s.store->SoundOnOff());
    QCOMPARE(s.file(), QByteArray("[Setup]\r\nSoundOn=False\r\n"));
}

void tst_frmsetup::enterRightAfterOpeningConfirms()
{
    Setup s;
    frmSetup d(s.world, *s.store, s.dir.path());
    d.show();
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    QCOMPARE(QApplication::focusWidget(), d.cmdOK);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QVERIFY(!d.isVisible());
    // Confirming writes the switch even when it did not change.
    QCOMPARE(s.file(), QByteArray("[Setup]\r\nSoundOn=False\r\n"));
}

void tst_frmsetup::escapeAndCloseBoxStoreNothing()
{
    Setup s;
    frmSetup d(s.world, *s.store, s.dir.path());
    d.show();
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    QTest::mouseClick(d.optSound[1], Qt::LeftButton);
    QTest::keyClick(&d, Qt::Key_Escape);
    QVERIFY(d.isVisible());
    // Enter on a focused non-button presses nothing.
    d.optSound[1]->setFocus();
    QTest::keyClick(d.optSound[1], Qt::Key_Return);
    QVERIFY(d.isVisible());
    d.close();
    QVERIFY(!d.isVisible());
    QCOMPARE(d.result(), int(QDialog::Rejected));
    QVERIFY(!s.store->SoundOnOff());
    QVERIFY(!QFileInfo::exists(s.store->iniFile()));
}

void tst_frmsetup::alwaysOpensOnSettingsTab()
{
    Setup s;
    {
        frmSetup d(s.world, *s.store, s.dir.path());
        d.SSTab1->setCurrentIndex(1);
        d.cmdCancel_Click();
    }
    frmSetup d(s.world, *s.store, s.dir.path());
    QCOMPARE(d.SSTab1->currentIndex(), 0);
    QVERIFY(!d.Frame3->isHidden());
}

void tst_frmsetup::linkOpensManualAndStaysOpen()
{
    Setup s;
    frmSetup d(s.world, *s.store, s.dir.path());
    d.show();
    d.SSTab1->setCurrentIndex(1);
    QTest::mouseClick(d.lblQuenmark, Qt::LeftButton);
    QCOMPARE(s.world.urls, QList<QUrl>{QUrl::fromLocalFile(QDir(s.dir.path()).filePath("manual.html"))});
    QVERIFY(d.isVisible());
    QCOMPARE(d.SSTab1->currentIndex(), 1);
    QVERIFY(!QFileInfo::exists(s.store->iniFile()));
}

void tst_frmsetup::settingsButtonRunsDialogModally()
{
    GameFixture g;
    // Switch sound on through the dialog as the player would.
    g.world.onDialog = [](QDialog &dialog) {
        auto &d = static_cast<frmSetup &>(dialog);
        QTest::mouseClick(d.optSound[1], Qt::LeftButton);
        QTest::mouseClick(d.cmdOK, Qt::LeftButton);
        return d.result();
    };
    g.form->cmdSetup_Click();
    QVERIFY(g.setup->SoundOnOff());
    g.start(0);
    g.tick();
    QCOMPARE(g.world.processes, QStringList{QStringLiteral("Chirp.exe Down.wav 100")});
}

QTEST_MAIN(tst_frmsetup)
#include "tst_frmsetup.moc"
