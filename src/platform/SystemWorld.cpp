// SPDX-License-Identifier: MIT
// The real outside world.
#include "SystemWorld.h"

#include <QDesktopServices>
#include <QDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

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

void SystemWorld::msgBox(const QString &prompt, const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, title, prompt, QMessageBox::Ok);
    box.exec();
}

std::optional<QString> SystemWorld::inputBox(const QString &prompt, const QString &title,
                                             const QString &defaultText)
{
    QInputDialog dialog;
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("キャンセル"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

int SystemWorld::execDialog(QDialog &dialog)
{
    return dialog.exec();
}

void SystemWorld::openUrl(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}
