#include "qthostservices.h"

#include "keystrokequeue.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QSpacerItem>
#include <QStandardPaths>
#include <QStyle>
#include <QWindow>

#include <algorithm>

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
    : QObject(parent),
      m_programDirectory(programDirectory.isEmpty() ? QCoreApplication::applicationDirPath()
                                                    : programDirectory),
      m_keystrokes(new KeystrokeQueue(this))
{
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &QtHostServices::windowActivated);
}

QtHostServices::~QtHostServices() = default;

QString QtHostServices::showOpen(const QString &title, const QString &filter)
{
    return m_fileName.choose({}, [&](const QString &initialName) {
        return runFileDialog(FileMode::Open, title, filter, initialName);
    });
}

QString QtHostServices::showSave(const QString &title, const QString &filter, const QString &preset)
{
    return m_fileName.choose(preset, [&](const QString &initialName) {
        return runFileDialog(FileMode::Save, title, filter, initialName);
    });
}

bool QtHostServices::sendKeys(const QString &notation, QWidget *window)
{
    return m_keystrokes->send(notation, window);
}

void QtHostServices::clipboardClear()
{
    QGuiApplication::clipboard()->clear();
}

void QtHostServices::clipboardSetText(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
}

QString QtHostServices::clipboardText() const
{
    // Only plain text counts: a picture or other data on the clipboard reads as "".
    return QGuiApplication::clipboard()->text();
}

namespace {

// The files QSettings reads for the user's store (user scope, native
// format): the program's own and, as a fallback, the organisation's. Only
// the XDG systems keep them as files; elsewhere the store is no file.
QStringList settingsFilePaths()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Worked out by hand: making a QSettings to ask would read the files.
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString name = HostServices::applicationTitle();
    return {QStringLiteral("%1/%2/%2.conf").arg(config, name),
            QStringLiteral("%1/%2.conf").arg(config, name)};
#else
    return {};
#endif
}

// Opening a FIFO blocks until a writer comes; a device or a folder is no
// settings file either. Missing is fine: the first write creates it.
bool isUsableSettingsFile(const QString &path)
{
    const QFileInfo file(path);
    return !file.exists() || QFileInfo(file.canonicalFilePath()).isFile();
}

bool settingsUsable()
{
    const QStringList paths = settingsFilePaths();
    return std::all_of(paths.cbegin(), paths.cend(), isUsableSettingsFile);
}

} // namespace

QString QtHostServices::setAsideUnusableSettings()
{
    QStringList told;
    for (const QString &path : settingsFilePaths()) {
        if (isUsableSettingsFile(path))
            continue;
        const QString aside =
            path + QStringLiteral(".not-a-file-") +
            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        if (QFile::rename(path, aside)) {
            told << QStringLiteral("The settings file %1 is not a regular file, so it was moved "
                                   "to %2. The editor starts with its default settings.")
                        .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(aside));
        } else {
            told << QStringLiteral("The settings file %1 is not a regular file and could not be "
                                   "moved aside. Settings are neither read nor written until it "
                                   "is removed.")
                        .arg(QDir::toNativeSeparators(path));
        }
    }
    return told.join(u'\n');
}

void QtHostServices::saveSetting(const QString &section, const QString &key, const QString &value)
{
    if (!settingsUsable())
        return;
    QSettings settings(applicationTitle(), applicationTitle());
    settings.beginGroup(section);
    settings.setValue(key, value);
}

QString QtHostServices::readSetting(const QString &section, const QString &key,
                                    const QString &fallback) const
{
    if (!settingsUsable())
        return fallback;
    QSettings settings(applicationTitle(), applicationTitle());
    settings.beginGroup(section);
    return settings.value(key, fallback).toString();
}

QString QtHostServices::userDirectory() const
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' +
           applicationTitle();
}

QString QtHostServices::cacheDirectory() const
{
    // Qt's own cache folder holds the organisation's name and then the
    // program's, which here are the same: one name is enough.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return base.isEmpty() ? QString() : QDir(base).filePath(QCoreApplication::applicationName());
}

QString QtHostServices::stateDirectory() const
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // The XDG base directories: an unset or relative $XDG_STATE_HOME counts as
    // not set.
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!state.isEmpty() && QDir::isAbsolutePath(state))
        return state;
    return QDir::homePath() + QStringLiteral("/.local/state");
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#endif
}

void QtHostServices::windowActivated(QWindow *window)
{
    if (!window)
        return;
    QWidget *widget = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top->windowHandle() == window)
            widget = top;
    }
    if (!widget)
        return;
    m_activated.removeIf(
        [widget](const QPointer<QWidget> &w) { return w.isNull() || w == widget; });
    m_activated.append(widget);
    // A short history is enough: only the last few windows can be asked for.
    constexpr int Keep = 16;
    if (m_activated.size() > Keep)
        m_activated.removeFirst();
}

QWidget *QtHostServices::dialogParent() const
{
    if (QWidget *active = QApplication::activeWindow())
        return active;
    for (auto it = m_activated.crbegin(); it != m_activated.crend(); ++it) {
        if (*it && (*it)->isVisible())
            return *it;
    }
    // Nothing was activated yet: any window of the program on the screen.
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top->isVisible() &&
            (top->windowType() == Qt::Window || top->windowType() == Qt::Dialog))
            return top;
    }
    return nullptr;
}

namespace {

// The width a dialog needs so that the window manager's title bar shows
// `caption` whole beside its icon and buttons.
int widthForCaption(const QString &caption)
{
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    const QFontMetrics metrics(titleFont);
    return metrics.horizontalAdvance(caption) + 8 * metrics.height();
}

// A message longer than fits on the screen scrolls inside the box, so that
// the box and its buttons stay on the screen.
void keepOnScreen(QMessageBox &box)
{
    auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    const QScreen *screen =
        box.parentWidget() ? box.parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (!label || !screen || !box.layout())
        return;
    const int maxHeight = screen->availableGeometry().height() / 2;
    const int maxWidth = screen->availableGeometry().width() / 2;
    const QSize wanted = label->sizeHint();
    if (wanted.height() <= maxHeight && wanted.width() <= maxWidth)
        return;
    auto *scroll = new QScrollArea(&box);
    scroll->setObjectName(QStringLiteral("messageScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    box.layout()->replaceWidget(label, scroll);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    scroll->setWidget(label);
    const int bar = scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    scroll->setFixedSize(std::min(wanted.width() + bar + 2, maxWidth),
                         std::min(wanted.height() + bar + 2, maxHeight));
}

} // namespace

HostServices::Answer QtHostServices::messageBox(const QString &text, Buttons buttons, Icon icon,
                                                const QString &caption)
{
    const QString title = caption.isEmpty() ? applicationTitle() : caption;
    QMessageBox box(icon == Icon::Error ? QMessageBox::Critical : QMessageBox::NoIcon, title, text,
                    QMessageBox::NoButton, dialogParent());
    keepOnScreen(box);
    // The box sizes itself to its text; a spacer keeps it wide enough for
    // its caption ("Error" must not show as "E...").
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout())) {
        grid->addItem(
            new QSpacerItem(widthForCaption(title), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
            grid->rowCount(), 0, 1, grid->columnCount());
    }
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
    QInputDialog dialog(dialogParent());
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(QString());
    // Wide enough for the caption: a narrow box shows "Creat... nction".
    dialog.setMinimumWidth(widthForCaption(caption));
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

QString QtHostServices::runFileDialog(FileMode mode, const QString &title, const QString &filter,
                                      const QString &initialName)
{
    QWidget *parent = dialogParent();
    TypedNameFileDialog dialog(parent, title, initialName, filter);
    dialog.setAcceptMode(mode == FileMode::Open ? QFileDialog::AcceptOpen
                                                : QFileDialog::AcceptSave);
    dialog.setFileMode(mode == FileMode::Open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.chosenFile();
}
