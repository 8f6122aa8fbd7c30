// SPDX-License-Identifier: MIT
// Keeps the keyboard with an open modal box while the window system hands it
// to a window that the box blocks.
#include "ModalInputRouter.h"

#include <QGuiApplication>
#include <private/qguiapplication_p.h>
#include <qpa/qwindowsysteminterface.h>

namespace {

// Qt 6.7 calls the window-system focus change what it called an activation.
using Private = QWindowSystemInterfacePrivate;
using Delivery = QWindowSystemInterface::SynchronousDelivery;
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
using FocusEvent = Private::FocusWindowEvent;
constexpr auto focusEventType = Private::FocusWindow;
constexpr auto focusedMember = &FocusEvent::focused;
constexpr auto handleFocus = &QWindowSystemInterface::handleFocusWindowChanged<Delivery>;
#else
using FocusEvent = Private::ActivatedWindowEvent;
constexpr auto focusEventType = Private::ActivatedWindow;
constexpr auto focusedMember = &FocusEvent::activated;
constexpr auto handleFocus = &QWindowSystemInterface::handleWindowActivated<Delivery>;
#endif

QPointer<QWindow> &focusedWindowOf(Private::WindowSystemEvent *event)
{
    return static_cast<FocusEvent *>(event)->*focusedMember;
}
void setQtFocusWindow(QWindow *window)
{
    handleFocus(window, Qt::ActiveWindowFocusReason);
}

// The modal window that has to take the keys meant for `window`: the
// innermost of the boxes blocking it, or null when nothing blocks it.
QWindow *blockerOf(QWindow *window)
{
    QWindow *blocker = nullptr;
    for (QWindow *w = window; w != nullptr;) {
        QWindow *next = nullptr;
        if (!QGuiApplicationPrivate::instance()->isWindowBlocked(w, &next) || next == nullptr || next == w)
            break;
        blocker = next;
        w = next;
    }
    return blocker;
}

// Whether Qt's focus window is `window` or one of its own popups.
bool ownsFocus(QWindow *window)
{
    for (QWindow *w = QGuiApplication::focusWindow(); w != nullptr; w = w->transientParent()) {
        if (w == window)
            return true;
    }
    return false;
}

} // namespace

ModalInputRouter::ModalInputRouter() : m_systemFocus(QGuiApplication::focusWindow())
{
    QWindowSystemInterfacePrivate::installWindowSystemEventHandler(this);
    qApp->installEventFilter(this);
}

ModalInputRouter::~ModalInputRouter()
{
    QWindowSystemInterfacePrivate::removeWindowSystemEventhandler(this);
}

bool ModalInputRouter::sendEvent(QWindowSystemInterfacePrivate::WindowSystemEvent *event)
{
    if (event->type == focusEventType) {
        if (!m_activating) {
            m_systemFocus = focusedWindowOf(event);
            scheduleReconcile();
        }
    } else if (event->type == Private::Key) {
        auto *key = static_cast<Private::KeyEvent *>(event);
        if (QWindow *box = blockerOf(key->window))
            key->window = box;
    }
    return QWindowSystemEventHandler::sendEvent(event);
}

bool ModalInputRouter::eventFilter(QObject *watched, QEvent *event)
{
    // A box that opens or closes changes which window has to have the keys.
    if ((event->type() == QEvent::Show || event->type() == QEvent::Hide) && watched->isWindowType())
        scheduleReconcile();
    return QObject::eventFilter(watched, event);
}

void ModalInputRouter::scheduleReconcile()
{
    if (m_reconcilePending)
        return;
    m_reconcilePending = true;
    // Queued, so that Qt has finished with the activation or the box being
    // shown or hidden, and so that on Wayland our activation request comes
    // after any request the click itself caused: the last one wins.
    QMetaObject::invokeMethod(this, &ModalInputRouter::reconcile, Qt::QueuedConnection);
}

void ModalInputRouter::reconcile()
{
    m_reconcilePending = false;
    QWindow *target = blockerOf(m_systemFocus);
    if (target != nullptr) {
        if (m_redirectedFrom == nullptr)
            m_redirectedFrom = m_systemFocus;
    } else if (m_redirectedFrom != nullptr && blockerOf(m_redirectedFrom) == nullptr) {
        // The box has closed. Unless the window system has activated another
        // window since, the window the box was redirected from takes the
        // keyboard back in Qt too: the window system may never have taken it
        // from that window, or may leave nothing active when the box goes.
        QWindow *from = m_redirectedFrom;
        m_redirectedFrom = nullptr;
        if (m_systemFocus == nullptr || m_systemFocus == from || !m_systemFocus->isVisible())
            target = from;
    }
    if (target == nullptr || !target->isVisible() || ownsFocus(target))
        return;
    if (target != m_systemFocus && blockerOf(target) == nullptr && target->modality() != Qt::NonModal) {
        // Where the window system honours it, the box gets the keyboard
        // itself and stays above the window that was clicked.
        target->raise();
        target->requestActivate();
    }
    m_activating = true;
    setQtFocusWindow(target);
    m_activating = false;
}
