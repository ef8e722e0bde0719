#include "filestatepanel.h"

#include "frmmain.h"

#include "document/editortextedit.h"
#include "document/projectdocument.h"
#include "output/palmdocconverter.h"
#include "session/programstate.h"

#include <QFileInfo>
#include <QStatusBar>
#include <QTimer>

FileStatePanel::FileStatePanel(frmMain &window)
    : QLabel(window.lineStatusBar()), m_window(window), m_confirmation(new QTimer(this))
{
    setObjectName(QStringLiteral("fileStatePanel"));
    setTextFormat(Qt::PlainText);
    // The window's own font: the status bar's smaller one is the caret
    // line's, kept as it was.
    QFont own = window.centralWidget()->font();
    own.setResolveMask(QFont::AllPropertiesResolved);
    setFont(own);
    QStatusBar *bar = window.lineStatusBar();
    // A quarter of the bar at most; the fault's message field gives it room.
    const int room = bar->width() / 4;
    setMaximumWidth(room);
    if (auto *field = bar->findChild<QLabel *>(QStringLiteral("pluaErrorField")))
        field->setMaximumWidth(std::max(80, field->maximumWidth() - room));
    bar->insertPermanentWidget(0, this);

    m_confirmation->setSingleShot(true);
    m_confirmation->setInterval(ConfirmationMs);
    connect(m_confirmation, &QTimer::timeout, this, &FileStatePanel::showState);

    // The document keeps its modified mark itself: the starting text, a
    // loaded file and a saved text are unmodified.
    QTextDocument *text = window.editor()->document();
    ProjectDocument &document = window.document();
    connect(text, &QTextDocument::modificationChanged, this, &FileStatePanel::showState);
    // A new document (New, Open) starts unmodified.
    connect(window.editor(), &QPlainTextEdit::textChanged, this, [this] {
        if (!m_confirmation->isActive())
            showState();
    });
    connect(&document, &ProjectDocument::fileOpened, this, &FileStatePanel::showState);
    connect(&document, &ProjectDocument::saved, this, [this](const QString &path) {
        confirm(QStringLiteral("Saved %1").arg(QFileInfo(path).fileName()));
    });
    connect(&document, &ProjectDocument::exported, this, [this](const QString &path) {
        confirm(QStringLiteral("Exported %1").arg(QFileInfo(path).fileName()));
    });
    connect(&window.program().converter(), &PalmDocConverter::conversionEnded, this,
            [this](const QString &output, bool ok) {
                if (ok)
                    confirm(QStringLiteral("Exported %1").arg(QFileInfo(output).fileName()));
            });
    showState();
}

QString FileStatePanel::stateText() const
{
    const QString path = m_window.document().fileName();
    const QString name = path.isEmpty() ? QStringLiteral("(untitled)") : QFileInfo(path).fileName();
    return m_window.editor()->document()->isModified() ? name + QStringLiteral(" *") : name;
}

void FileStatePanel::showState()
{
    m_confirmation->stop();
    const QString state = stateText();
    // Typing changes neither the file nor the mark: nothing to lay out again.
    const QString shown = state + u'\n' + m_window.document().fileName();
    if (shown == m_shownState)
        return;
    m_shownState = shown;
    setText(fontMetrics().elidedText(state, Qt::ElideMiddle, maximumWidth()));
    const QString path = m_window.document().fileName();
    const QString where = path.isEmpty() ? QStringLiteral("Not saved yet") : path;
    setToolTip(m_window.editor()->document()->isModified()
                   ? where + QStringLiteral(" (changed since it was saved)")
                   : where);
}

void FileStatePanel::confirm(const QString &text)
{
    m_shownState.clear();
    setText(fontMetrics().elidedText(text, Qt::ElideMiddle, maximumWidth()));
    setToolTip(text);
    m_confirmation->start();
}
