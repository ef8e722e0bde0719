#include "qthostservices.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

QtHostServices::QtHostServices(const QString &programDirectory, QObject *parent)
    : HostServices(parent),
      m_programDirectory(programDirectory.isEmpty() ? QCoreApplication::applicationDirPath()
                                                    : programDirectory)
{
}

HostServices::Answer QtHostServices::messageBox(const QString &text, Buttons buttons, Icon icon,
                                                const QString &caption)
{
    QMessageBox box(icon == Icon::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
                    caption.isEmpty() ? applicationTitle() : caption, text,
                    QMessageBox::NoButton, QApplication::activeWindow());
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        // Esc or the close box on a Yes/No box means No; elsewhere Cancel.
        return buttons == Buttons::YesNo ? Answer::No
               : buttons == Buttons::Ok  ? Answer::Ok
                                         : Answer::Cancel;
    }
}

QString QtHostServices::inputBox(const QString &prompt, const QString &caption)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(QApplication::activeWindow(), caption, prompt,
                                                 QLineEdit::Normal, QString(), &ok);
    return ok ? answer : QString();
}

QString QtHostServices::runFileDialog(FileMode mode, const QString &title, const QString &filter,
                                      const QString &initialName)
{
    QWidget *parent = QApplication::activeWindow();
    if (mode == FileMode::Open)
        return QFileDialog::getOpenFileName(parent, title, initialName, filter);
    return QFileDialog::getSaveFileName(parent, title, initialName, filter);
}
