#include "runwindow.h"

#include "databasesview.h"
#include "handheldspeedbox.h"
#include "handheldview.h"
#include "platform/hostservices.h"
#include "runnerprocess.h"
#include "runsession.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QStandardItemModel>
#include <QTextDocumentFragment>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace {

const QString RunSection = QStringLiteral("Run");
const QString ScaleKey = QStringLiteral("Scale");

} // namespace

RunWindow::RunWindow(HostServices &host, QWidget *parent)
    : QWidget(parent, Qt::Window), m_host(host), m_view(new HandheldView(this)),
      m_scaleBox(new QComboBox(this)), m_speedBox(new HandheldSpeedBox(host, this)),
      m_status(new QLabel(this)), m_sound(new QLabel(this)),
      m_stopButton(new QPushButton(tr("Stop"), this)),
      m_pauseButton(new QPushButton(tr("Pause"), this))
{
    setObjectName(QStringLiteral("runWindow"));
    setWindowTitle(tr("Run"));
    m_status->setObjectName(QStringLiteral("runStatus"));
    m_status->setWordWrap(true);
    m_status->setTextFormat(Qt::RichText);
    m_status->setMinimumHeight(fontMetrics().height() * 2);
    // Sounds show beside the controls and fade, leaving the status line to
    // the run's state.
    m_sound->setObjectName(QStringLiteral("runSound"));
    auto *soundFade = new QGraphicsOpacityEffect(m_sound);
    m_sound->setGraphicsEffect(soundFade);
    m_soundFade = new QPropertyAnimation(soundFade, "opacity", this);
    m_soundFade->setDuration(2000);
    m_soundFade->setStartValue(1.0);
    m_soundFade->setEndValue(0.0);
    m_soundFade->setEasingCurve(QEasingCurve::InCubic);
    connect(m_soundFade, &QPropertyAnimation::finished, m_sound, &QLabel::clear);
    m_stopButton->setObjectName(QStringLiteral("runStop"));
    m_stopButton->setEnabled(false);
    m_stopButton->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));

    m_pauseButton->setObjectName(QStringLiteral("runPause"));
    m_pauseButton->setEnabled(false);
    m_pauseButton->setShortcut(QKeySequence(Qt::Key_Pause));
    m_pauseButton->setToolTip(tr("Freeze the program and its screen until Continue (Pause)"));
    m_pauseButton->setFocusPolicy(Qt::NoFocus);

    m_scaleBox->setObjectName(QStringLiteral("runScale"));
    m_scaleBox->setToolTip(tr("Screen scale"));
    for (int scale = HandheldView::MinScale; scale <= HandheldView::MaxScale; ++scale)
        m_scaleBox->addItem(tr("%1x").arg(scale), scale);
    auto *restart = new QPushButton(tr("Restart"), this);
    restart->setObjectName(QStringLiteral("runRestart"));
    restart->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    restart->setToolTip(tr("Run the editor's program again (Ctrl+R)"));
    restart->setFocusPolicy(Qt::NoFocus);
    auto *screenshot = new QPushButton(tr("Save Screenshot"), this);
    screenshot->setObjectName(QStringLiteral("runScreenshot"));
    screenshot->setFocusPolicy(Qt::NoFocus);
    auto *screenshotMenu = new QMenu(screenshot);
    QAction *actual = screenshotMenu->addAction(tr("Actual Size (160 x 160)..."));
    actual->setObjectName(QStringLiteral("runScreenshotActual"));
    QAction *shown = screenshotMenu->addAction(tr("As Shown..."));
    shown->setObjectName(QStringLiteral("runScreenshotShown"));
    screenshot->setMenu(screenshotMenu);
    auto *databases = new QPushButton(tr("Databases..."), this);
    databases->setObjectName(QStringLiteral("runDatabases"));
    databases->setToolTip(tr("The databases in the handheld's storage"));
    databases->setFocusPolicy(Qt::NoFocus);
    // Without a mouse, the handheld's context menu (the Menu key) reaches
    // the screenshots and the databases.
    auto *databasesAction = new QAction(tr("Databases..."), this);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, this,
            [this, actual, shown, databasesAction](const QPoint &position) {
                QMenu menu(this);
                menu.setObjectName(QStringLiteral("runContextMenu"));
                menu.addSection(tr("Save Screenshot"));
                menu.addAction(actual);
                menu.addAction(shown);
                menu.addSeparator();
                menu.addAction(databasesAction);
                menu.exec(m_view->mapToGlobal(position));
            });

    auto *controls = new QHBoxLayout;
    controls->addWidget(m_scaleBox);
    controls->addWidget(m_sound, 1);
    controls->addWidget(restart);
    controls->addWidget(screenshot);
    controls->addWidget(m_pauseButton);
    controls->addWidget(m_stopButton);
    auto *tools = new QHBoxLayout;
    tools->addWidget(m_speedBox);
    tools->addStretch(1);
    tools->addWidget(databases);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 0, Qt::AlignHCenter);
    layout->addWidget(m_status);
    layout->addLayout(controls);
    layout->addLayout(tools);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_scaleBox, &QComboBox::activated, this,
            [this](int index) { chooseScale(m_scaleBox->itemData(index).toInt()); });
    connect(restart, &QPushButton::clicked, this, &RunWindow::restartRequested);
    connect(databases, &QPushButton::clicked, this, &RunWindow::showDatabases);
    connect(databasesAction, &QAction::triggered, this, &RunWindow::showDatabases);
    connect(m_speedBox, &HandheldSpeedBox::rateChosen, this, [this](double rate) {
        if (m_session)
            m_session->setInstructionRate(rate);
    });
    connect(actual, &QAction::triggered, this, [this] { saveScreenshot(false); });
    connect(shown, &QAction::triggered, this, [this] { saveScreenshot(true); });

    connect(m_stopButton, &QPushButton::clicked, this, &RunWindow::stop);
    connect(m_pauseButton, &QPushButton::clicked, this, [this] {
        if (isPaused())
            resume({});
        else
            pause();
    });
    connect(m_status, &QLabel::linkActivated, this, [this](const QString &link) {
        emit goToLine(link.mid(QStringLiteral("line:").size()).toInt());
    });

    bool valid = false;
    const int remembered = m_host.readSetting(RunSection, ScaleKey).toInt(&valid);
    if (valid && remembered >= HandheldView::MinScale && remembered <= HandheldView::MaxScale)
        m_chosenScale = remembered;
    fitScale();
}

// The runner's own destructor ends its process.
RunWindow::~RunWindow() = default;

void RunWindow::chooseScale(int scale)
{
    m_chosenScale = std::clamp(scale, HandheldView::MinScale, HandheldView::MaxScale);
    m_host.saveSetting(RunSection, ScaleKey, QString::number(m_chosenScale));
    fitScale();
}

bool RunWindow::fits(int scale)
{
    m_view->setScale(scale);
    layout()->activate();
    const QRect room = screen()->availableGeometry();
    const QSize frame = frameGeometry().size() - size();
    // Before the window is first shown its title bar is unknown: two lines
    // of its font stand for it.
    const QSize need =
        sizeHint() + QSize(frame.width(), std::max(frame.height(), 2 * fontMetrics().height()));
    return need.width() <= room.width() && need.height() <= room.height();
}

void RunWindow::fitScale()
{
    int largest = HandheldView::MinScale;
    for (int scale = HandheldView::MaxScale; scale > HandheldView::MinScale; --scale) {
        if (fits(scale)) {
            largest = scale;
            break;
        }
    }
    const int shown = std::min(m_chosenScale, largest);
    m_view->setScale(shown);
    layout()->activate();
    if (auto *model = qobject_cast<QStandardItemModel *>(m_scaleBox->model()))
        for (int row = 0; row < model->rowCount(); ++row)
            model->item(row)->setEnabled(m_scaleBox->itemData(row).toInt() <= largest);
    m_scaleBox->setCurrentIndex(m_scaleBox->findData(shown));
    if (!isVisible())
        return;
    // A window grown at its place is moved back inside the free area.
    const QRect room = screen()->availableGeometry();
    const QRect frame = frameGeometry();
    const int x =
        std::clamp(frame.x(), room.left(), std::max(room.left(), room.right() + 1 - frame.width()));
    const int y =
        std::clamp(frame.y(), room.top(), std::max(room.top(), room.bottom() + 1 - frame.height()));
    if (x != frame.x() || y != frame.y())
        move(pos() + QPoint(x - frame.x(), y - frame.y()));
}

void RunWindow::saveScreenshot(bool atShownScale)
{
    const QImage frame = m_view->frame().convertToFormat(QImage::Format_RGB32);
    const int scale = atShownScale ? m_view->scale() : 1;
    // Whole pixels as squares, as the view draws them.
    const QImage image = scale == 1 ? frame
                                    : frame.scaled(frame.size() * scale, Qt::IgnoreAspectRatio,
                                                   Qt::FastTransformation);
    // Beside the program, named after it; never the program's own name.
    const QFileInfo program(m_fileName);
    const QString preset =
        m_fileName.isEmpty()
            ? tr("Untitled") + QStringLiteral(".png")
            : program.dir().filePath(program.completeBaseName() + QStringLiteral(".png"));
    const QString path = m_host.showSave(tr("Save Screenshot"), tr("PNG images (*.png)"), preset);
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly) && image.save(&file, "PNG");
    QString error = file.errorString();
    if (written) {
        written = file.commit();
        error = file.errorString();
    } else {
        file.cancelWriting();
    }
    if (!written)
        m_host.messageBox(tr("The screenshot could not be saved to %1: %2").arg(path, error),
                          HostServices::Buttons::Ok, HostServices::Icon::Error);
}

DatabasesView *RunWindow::showDatabases()
{
    if (!m_databases)
        m_databases = new DatabasesView(m_host, RunSession::defaultDatabaseFolder(), this);
    m_databases->setProgramRunning(isRunning());
    m_databases->show();
    m_databases->raise();
    m_databases->activateWindow();
    return m_databases;
}

void RunWindow::setStatus(const QString &text, int line)
{
    if (line > 0)
        m_status->setText(
            QStringLiteral("<a href=\"line:%1\">%2</a>").arg(line).arg(text.toHtmlEscaped()));
    else
        m_status->setText(text.toHtmlEscaped());
}

void RunWindow::showSound(const QString &note)
{
    m_sound->setText(note);
    m_soundFade->stop();
    m_soundFade->start();
}

QString RunWindow::statusText() const
{
    return QTextDocumentFragment::fromHtml(m_status->text()).toPlainText();
}

bool RunWindow::isRunning() const
{
    return m_session && m_session->isRunning();
}

bool RunWindow::isPaused() const
{
    return m_session && m_session->isPaused();
}

void RunWindow::pause()
{
    if (isRunning())
        m_session->pause();
}

void RunWindow::resume(DebugCommand command)
{
    if (isPaused())
        m_session->resume(command);
}

void RunWindow::showPaused(bool paused, int line)
{
    // Paused, the handheld takes no pen or keys: the program could not
    // see them.
    m_view->setRunner(paused ? nullptr : m_session);
    m_pauseButton->setText(paused ? tr("Continue") : tr("Pause"));
    const QString shortName =
        m_fileName.isEmpty() ? tr("Untitled") : QFileInfo(m_fileName).fileName();
    if (paused)
        setStatus(tr("Paused at line %1 of %2").arg(line).arg(shortName), line);
    else
        setStatus(tr("Running %1").arg(shortName), 0);
}

void RunWindow::run(const QString &source, const QString &fileName)
{
    if (m_session) {
        // The old run's process is ended with it.
        RunnerProcess *old = m_session;
        disconnect(old, nullptr, this, nullptr);
        old->deleteLater();
    }
    m_fileName = fileName;
    const QString shortName = fileName.isEmpty() ? tr("Untitled") : QFileInfo(fileName).fileName();
    setWindowTitle(tr("Run - %1").arg(shortName));
    m_session = new RunnerProcess(RunnerProcess::defaultRunner(),
                                  RunSession::defaultDatabaseFolder(), this);
    m_view->setRunner(m_session);
    m_session->setInstructionRate(m_speedBox->rate());
    connect(m_session, &RunnerProcess::frameReady, this, [this](const QImage &frame) {
        m_view->showFrame(frame);
        if (!m_firstFrame) {
            m_firstFrame = true;
            emit firstFrameShown(m_started.elapsed());
        }
    });
    connect(m_session, &RunnerProcess::screenItemsChanged, this,
            [this] { m_view->setScreenItems(m_session->screenItems()); });
    connect(m_session, &RunnerProcess::soundPlayed, this, [this](const QString &note) {
        QApplication::beep();
        showSound(note);
    });
    connect(m_session, &RunnerProcess::finished, this, &RunWindow::onFinished);
    connect(m_session, &RunnerProcess::paused, this,
            [this](const DebugSnapshot &snapshot) { showPaused(true, snapshot.line); });
    connect(m_session, &RunnerProcess::resumed, this, [this] {
        if (isRunning())
            showPaused(false, 0);
    });
    setStatus(tr("Running %1").arg(shortName), 0);
    m_stopButton->setEnabled(true);
    m_pauseButton->setEnabled(true);
    m_pauseButton->setText(tr("Pause"));
    emit sessionStarted(m_session);
    m_firstFrame = false;
    m_started.start();
    m_session->start(source, shortName);
    if (m_databases)
        m_databases->setProgramRunning(true);
    // A window first shown without activation is one the window manager
    // will not activate later: it is shown afresh.
    if (m_shownInactive)
        hide();
    m_shownInactive = false;
    show();
    raise();
    activateWindow();
    m_view->setFocus();
}

void RunWindow::showFault(const QString &fileName, int line, const QString &message)
{
    stop();
    const QString shortName = fileName.isEmpty() ? tr("Untitled") : QFileInfo(fileName).fileName();
    setStatus(QStringLiteral("%1:%2: %3").arg(shortName).arg(line).arg(message), line);
    // The keyboard stays with the editor, where the fault is.
    if (!isVisible()) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        show();
        setAttribute(Qt::WA_ShowWithoutActivating, false);
        m_shownInactive = true;
    }
}

void RunWindow::stop()
{
    if (m_session)
        m_session->stop();
}

void RunWindow::onFinished(bool stopped, int line, const QString &message)
{
    m_stopButton->setEnabled(false);
    m_pauseButton->setEnabled(false);
    m_pauseButton->setText(tr("Pause"));
    m_view->setRunner(nullptr);
    if (m_databases)
        m_databases->setProgramRunning(false);
    const QString shortName =
        m_fileName.isEmpty() ? tr("Untitled") : QFileInfo(m_fileName).fileName();
    if (stopped)
        setStatus(tr("Stopped"), 0);
    else if (message.isEmpty())
        setStatus(tr("Ended"), 0);
    else if (line > 0)
        setStatus(QStringLiteral("%1:%2: %3").arg(shortName).arg(line).arg(message), line);
    else if (m_session && m_session->failed())
        setStatus(message, 0); // the runner's own end, not a fault of the program
    else
        setStatus(QStringLiteral("%1: %2").arg(shortName, message), 0);
}

void RunWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Moved to another screen, the window fits that one.
    if (!m_watchingScreen && windowHandle()) {
        m_watchingScreen = true;
        connect(windowHandle(), &QWindow::screenChanged, this, &RunWindow::fitScale);
    }
    fitScale();
}

void RunWindow::closeEvent(QCloseEvent *event)
{
    stop();
    event->accept();
}
