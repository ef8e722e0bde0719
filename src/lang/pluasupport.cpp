#include "pluasupport.h"

#include "caretmarks.h"
#include "document/editortextedit.h"
#include "editorcolours.h"
#include "linenumbermargin.h"
#include "pluacodeassist.h"
#include "pluadiagnostics.h"
#include "pluahighlighter.h"
#include "pluaindentation.h"

#include <QEvent>
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
//
// Such a line is shaped once per key. Recolouring it inside the edit drops
// its lines, and Qt would lay it out twice: once only to learn its height
// before the change, which the layout notes before the colours change. The
// line being edited keeps its shaped glyphs, so that placing the caret and
// painting it do not shape it again.
class LineChangeLayout : public QPlainTextDocumentLayout
{
public:
    explicit LineChangeLayout(QTextDocument *document)
        : QPlainTextDocumentLayout(document), m_blocks(document->blockCount()),
          m_editedLine(document)
    {
        // Connected before the highlighter, so the line still has the
        // lines of its layout from before the change.
        connect(document, &QTextDocument::contentsChange, this, &LineChangeLayout::noteHeight);
    }

    QRectF blockBoundingRect(const QTextBlock &block) const override
    {
        if (m_inChange && block == m_noted && block.layout()->lineCount() == 0)
            return m_notedRect;
        return QPlainTextDocumentLayout::blockBoundingRect(block);
    }

protected:
    void documentChanged(int from, int removed, int added) override
    {
        const QTextDocument *doc = document();
        const int span = std::max(removed, added);
        const QTextBlock block = doc->findBlock(from);
        const bool oneLine = doc->blockCount() == m_blocks && block.isValid() && span > 0 &&
                             from + span <= block.position() + block.length();
        m_blocks = doc->blockCount();
        if (oneLine) {
            keepGlyphs(block);
            m_inChange = true;
            QPlainTextDocumentLayout::documentChanged(from, 0, span);
            m_inChange = false;
        } else {
            QPlainTextDocumentLayout::documentChanged(from, removed, added);
        }
        m_noted = QTextBlock();
    }

private:
    void noteHeight(int from)
    {
        const QTextBlock block = document()->findBlock(from);
        m_noted = QTextBlock();
        if (block.isValid() && block.layout()->lineCount() > 0) {
            m_notedRect = QPlainTextDocumentLayout::blockBoundingRect(block);
            m_noted = block;
        }
    }

    void keepGlyphs(const QTextBlock &block)
    {
        const QTextBlock previous = m_editedLine.block();
        if (previous == block && block.layout()->cacheEnabled())
            return;
        // The lines either side are repainted with it (the caret's rect
        // reaches into them).
        if (previous.isValid())
            setCache(previous, false);
        setCache(block, true);
        m_editedLine.setPosition(block.position());
    }

    static void setCache(const QTextBlock &block, bool on)
    {
        for (const QTextBlock &b : {block.previous(), block, block.next()})
            if (b.isValid())
                b.layout()->setCacheEnabled(on);
    }

    int m_blocks;
    bool m_inChange = false;
    QTextBlock m_noted;
    QRectF m_notedRect;
    // A position in the line whose glyphs are kept; it follows edits.
    QTextCursor m_editedLine;
};

// Gives `editor` the layout above before the highlighter is attached.
EditorTextEdit *withLineChangeLayout(EditorTextEdit *editor)
{
    QTextDocument *doc = editor->document();
    if (!dynamic_cast<LineChangeLayout *>(doc->documentLayout())) {
        doc->setDocumentLayout(new LineChangeLayout(doc));
        // The editor takes up the new layout (its signals and width).
        editor->setDocument(doc);
    }
    return editor;
}

} // namespace

PluaSupport::PluaSupport(EditorTextEdit *editor, QStatusBar *statusBar)
    : QObject(editor), m_editor(withLineChangeLayout(editor)),
      m_highlighter(new PluaHighlighter(editor->document())),
      m_diagnostics(new PluaDiagnostics(editor, statusBar)), m_assist(new PluaCodeAssist(editor)),
      m_margin(new LineNumberMargin(editor)), m_caretMarks(new CaretMarks(editor)),
      m_indentation(new PluaIndentation(editor))
{
    setObjectName(QStringLiteral("pluaSupport"));
    m_highlighter->setView(editor);
    applyColours();
    editor->installEventFilter(this);
    connect(m_diagnostics, &PluaDiagnostics::resultChanged, m_margin, [this] {
        m_margin->setMarkedLine(m_diagnostics->errorLine(), m_diagnostics->statusText());
    });
}

void PluaSupport::applyColours()
{
    const EditorColours::Set colours = EditorColours::forPalette(m_editor->palette());
    m_highlighter->setColours(colours.syntax);
    m_diagnostics->setColours(colours.errorMark, colours.errorText);
    m_margin->setColours(colours.margin, colours.marginText, colours.markFill, colours.markText);
    m_assist->setTipColours(colours.helpBase, colours.helpText);
    m_caretMarks->setColours(colours.caretLine, colours.match);
}

bool PluaSupport::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_editor && event->type() == QEvent::PaletteChange)
        applyColours();
    return QObject::eventFilter(watched, event);
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
    m_indentation->setActive(active);
}

PluaSupport *PluaSupport::of(const EditorTextEdit *editor)
{
    return editor->findChild<PluaSupport *>(QString(), Qt::FindDirectChildrenOnly);
}

PluaSupport *attachPluaSupport(EditorTextEdit *editor, QStatusBar *statusBar)
{
    return new PluaSupport(editor, statusBar);
}
