#include "qthostservices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>

namespace {

// Keeps a question without a Cancel button on the screen until one of its
// buttons is pressed: Esc and the window's close button would otherwise
// count as No, and No can mean "discard the text".
class AnswerRequired : public QObject
{
public:
    explicit AnswerRequired(QMessageBox *box) : QObject(box)
    {
        connect(box, &QMessageBox::buttonClicked, this, [this] { m_answered = true; });
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
            return true;
        // Closing after a button press is how the box ends; before it, the
        // close button or the window manager asked.
        if (event->type() == QEvent::Close && !m_answered) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_answered = false;
};

// Qt's own file dialog reads double quotes in the name field as a list of
// several files, so "my "x" file.lua" would become "x". A name with quotes is
// taken as typed: relative to the dialog's folder, or a whole path.
class TypedNameFileDialog : public QFileDialog
{
public:
    using QFileDialog::QFileDialog;

    QString chosenFile() const
    {
        return m_typedPath.isEmpty() ? selectedFiles().value(0) : m_typedPath;
    }

protected:
    void accept() override
    {
        const auto *edit = findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        const QString typed = edit ? edit->text() : QString();
        if (!typed.contains(u'"')) {
            QFileDialog::accept();
            return;
        }
        const QString path = QDir(directory()).absoluteFilePath(typed);
        const QFileInfo info(path);
        if (info.isDir()) {
            setDirectory(path);
            return;
        }
        if (acceptMode() == AcceptOpen && !info.exists()) {
            QMessageBox::warning(this, windowTitle(),
                                 QStringLiteral("%1\nFile not found.").arg(info.fileName()));
            return;
        }
        if (acceptMode() == AcceptSave && info.exists() &&
            QMessageBox::warning(this, windowTitle(),
                                 QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                     .arg(info.fileName()),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) != QMessageBox::Yes)
            return;
        m_typedPath = path;
        // Past QFileDialog::accept, which would split the name at its quotes.
        QDialog::accept(); // NOLINT(bugprone-parent-virtual-call)
    }

private:
    QString m_typedPath;
};

} // namespace

QtHostServices::QtHostServices(const QString &programDirectory, QObject *parent)
    : HostServices(parent),
      m_programDirectory(programDirectory.isEmpty() ? QCoreApplication::applicationDirPath()
                                                    : programDirectory)
{}

HostServices::Answer QtHostServices::messageBox(const QString &text, Buttons buttons, Icon icon,
                                                const QString &caption)
{
    QMessageBox box(icon == Icon::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
                    caption.isEmpty() ? applicationTitle() : caption, text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.installEventFilter(new AnswerRequired(&box));
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
        // Dismissed without a button: never taken as No, which may discard.
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
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
    TypedNameFileDialog dialog(parent, title, initialName, filter);
    dialog.setAcceptMode(mode == FileMode::Open ? QFileDialog::AcceptOpen
                                                : QFileDialog::AcceptSave);
    dialog.setFileMode(mode == FileMode::Open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.chosenFile();
}
