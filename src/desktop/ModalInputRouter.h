// SPDX-License-Identifier: MIT
// Keeps the keyboard with an open modal box while the window system hands it
// to a window that the box blocks.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWindow>
#include <qpa/qwindowsysteminterface_p.h>

// A compositor may give the keyboard to a window that a modal box blocks (a
// click on the game window while the name prompt is open) and ignore the
// program's request to hand it back. Qt drops key events addressed to a
// blocked window, and it sends input-method text to the blocked window's
// focus widget, so every key the player types would be lost. While it exists,
// this router sees every window-system event before Qt does and:
// - asks the window system to raise and activate the box, as soon as the
//   blocked window has been activated;
// - treats the box as Qt's focus window, so that input-method text, the
//   input method's cursor rectangle and key events without a window go to it;
// - readdresses key events meant for a blocked window to the box.
// When the box closes, the window the window system last activated becomes
// Qt's focus window again. Nothing changes where the compositor itself keeps
// the keyboard with the box.
class ModalInputRouter : public QObject, public QWindowSystemEventHandler
{
public:
    // Installs the router; needs the QGuiApplication. One at a time.
    ModalInputRouter();
    // Removes it.
    ~ModalInputRouter() override;

    ModalInputRouter(const ModalInputRouter &) = delete;
    ModalInputRouter &operator=(const ModalInputRouter &) = delete;

    bool sendEvent(QWindowSystemInterfacePrivate::WindowSystemEvent *event) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void scheduleReconcile();
    void reconcile();

    // The window the window system last said has the keyboard.
    QPointer<QWindow> m_systemFocus;
    bool m_reconcilePending = false;
    // The window the window system had activated when Qt's focus was moved
    // to a box that blocks it; null while nothing is redirected.
    QPointer<QWindow> m_redirectedFrom;
    bool m_activating = false;
};
