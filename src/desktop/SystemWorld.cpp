// SPDX-License-Identifier: MIT
// The real outside world.
#include "SystemWorld.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QEvent>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace {

// Watches the game window: when it is activated while a modal box is open,
// the box is raised and asked to take the keyboard again. A window manager
// or compositor may hand the focus to a clicked parent even though a modal
// child blocks it (sway does); the request to activate the box (on Wayland
// an xdg-activation request) brings it back wherever activation is honoured.
class ModalKeeper : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::WindowActivate) {
            QWidget *modal = QApplication::activeModalWidget();
            if (modal != nullptr && modal != watched && modal->isVisible()) {
                // Queued: the click that activated the game window also has
                // Qt ask to activate that window, after this event; on
                // Wayland the last request wins, so ours must come later.
                QMetaObject::invokeMethod(
                    modal,
                    [modal] {
                        if (modal->isVisible()) {
                            modal->raise();
                            modal->activateWindow();
                        }
                    },
                    Qt::QueuedConnection);
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

SystemWorld::SystemWorld(const QString &programDirectory) : m_launcher(programDirectory)
{
    m_random.randomize();
}

void SystemWorld::randomize()
{
    m_random.randomize();
}

float SystemWorld::rnd()
{
    return m_random.next();
}

QDateTime SystemWorld::now()
{
    const QDateTime t = QDateTime::currentDateTime();
    return QDateTime(t.date(), QTime(t.time().hour(), t.time().minute(), t.time().second()));
}

bool SystemWorld::startProcess(const QString &commandLine)
{
    return m_launcher.start(commandLine);
}

void SystemWorld::setOwnerWindow(QWidget *window)
{
    m_owner = window;
    if (window != nullptr)
        window->installEventFilter(new ModalKeeper(window));
}

std::unique_ptr<QMessageBox> SystemWorld::makeMessageBox(const QString &prompt, const QString &title) const
{
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, title, prompt, QMessageBox::Ok, m_owner.data());
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}

std::unique_ptr<QInputDialog> SystemWorld::makeInputDialog(const QString &prompt, const QString &title,
                                                           const QString &defaultText) const
{
    auto dialog = std::make_unique<QInputDialog>(m_owner.data());
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setWindowTitle(title);
    dialog->setLabelText(prompt);
    dialog->setTextValue(defaultText);
    dialog->setOkButtonText(QStringLiteral("OK"));
    dialog->setCancelButtonText(QStringLiteral("キャンセル"));
    return dialog;
}

void SystemWorld::msgBox(const QString &prompt, const QString &title)
{
    makeMessageBox(prompt, title)->exec();
}

std::optional<QString> SystemWorld::inputBox(const QString &prompt, const QString &title,
                                             const QString &defaultText)
{
    const std::unique_ptr<QInputDialog> dialog = makeInputDialog(prompt, title, defaultText);
    if (dialog->exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog->textValue();
}

int SystemWorld::execDialog(QDialog &dialog)
{
    return dialog.exec();
}

void SystemWorld::openUrl(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}
