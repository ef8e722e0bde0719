#include "pluasupport.h"

#include "document/editortextedit.h"
#include "linenumbermargin.h"
#include "pluacodeassist.h"
#include "pluadiagnostics.h"
#include "pluahighlighter.h"

#include <QPlainTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace {

// The editor's layout, repainting only the line a change stays within.
// Qt measures a change as reaching "removed + added" characters from its
// start, so a recoloured line (reported as its whole length removed and
// added) seems to reach into the next one and the whole view is repainted
// on every key. A change that keeps the line count and stays inside one
// line is passed on as what it is.
class LineChangeLayout : public QPlainTextDocumentLayout
{
public:
    explicit LineChangeLayout(QTextDocument *document)
        : QPlainTextDocumentLayout(document), m_blocks(document->blockCount())
    {}

protected:
    void documentChanged(int from, int removed, int added) override
    {
        const QTextDocument *doc = document();
        const int span = std::max(removed, added);
        const QTextBlock block = doc->findBlock(from);
        const bool oneLine = doc->blockCount() == m_blocks && block.isValid() && span > 0 &&
                             from + span <= block.position() + block.length();
        m_blocks = doc->blockCount();
        if (oneLine)
            QPlainTextDocumentLayout::documentChanged(from, 0, span);
        else
            QPlainTextDocumentLayout::documentChanged(from, removed, added);
    }

private:
    int m_blocks;
};

} // namespace

PluaSupport::PluaSupport(EditorTextEdit *editor, QStatusBar *statusBar)
    : QObject(editor), m_editor(editor), m_highlighter(new PluaHighlighter(editor->document())),
      m_diagnostics(new PluaDiagnostics(editor, statusBar)), m_assist(new PluaCodeAssist(editor)),
      m_margin(new LineNumberMargin(editor))
{
    setObjectName(QStringLiteral("pluaSupport"));
    QTextDocument *doc = editor->document();
    if (!dynamic_cast<LineChangeLayout *>(doc->documentLayout())) {
        doc->setDocumentLayout(new LineChangeLayout(doc));
        // The editor takes up the new layout (its signals and width).
        editor->setDocument(doc);
    }
    m_highlighter->setView(editor);
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
