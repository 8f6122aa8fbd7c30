// SPDX-License-Identifier: MIT
// The real outside world.
#include "SystemWorld.h"

#include "ModalInputRouter.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

SystemWorld::SystemWorld(const QString &programDirectory) : m_launcher(programDirectory)
{
    m_random.randomize();
}

SystemWorld::~SystemWorld() = default;

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
    if (window != nullptr && m_router == nullptr)
        m_router = std::make_unique<ModalInputRouter>();
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
