#include "pluasupport.h"

#include "document/editortextedit.h"
#include "linenumbermargin.h"
#include "pluacodeassist.h"
#include "pluadiagnostics.h"
#include "pluahighlighter.h"

PluaSupport::PluaSupport(EditorTextEdit *editor, QStatusBar *statusBar)
    : QObject(editor), m_editor(editor), m_highlighter(new PluaHighlighter(editor->document())),
      m_diagnostics(new PluaDiagnostics(editor, statusBar)), m_assist(new PluaCodeAssist(editor)),
      m_margin(new LineNumberMargin(editor))
{
    setObjectName(QStringLiteral("pluaSupport"));
    connect(m_diagnostics, &PluaDiagnostics::resultChanged, m_margin, [this] {
        m_margin->setMarkedLine(m_diagnostics->errorLine(), m_diagnostics->statusText());
    });
}

void PluaSupport::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    // Detached, the highlighter drops its colours; attached, it colours the
    // whole text again.
    m_highlighter->setDocument(active ? m_editor->document() : nullptr);
    m_diagnostics->setActive(active);
    m_assist->setActive(active);
}

PluaSupport *PluaSupport::of(const EditorTextEdit *editor)
{
    return editor->findChild<PluaSupport *>(QString(), Qt::FindDirectChildrenOnly);
}

PluaSupport *attachPluaSupport(EditorTextEdit *editor, QStatusBar *statusBar)
{
    return new PluaSupport(editor, statusBar);
}
