#include "finddialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolTip>
#include <QVBoxLayout>

FindDialog::FindDialog(QPlainTextEdit &editor, QWidget *parent) : QDialog(parent), m_editor(editor)
{
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(QStringLiteral("Find and Replace"));
    setModal(false);

    m_findText = new QLineEdit(this);
    m_findText->setObjectName(QStringLiteral("txtFind"));
    m_replaceText = new QLineEdit(this);
    m_replaceText->setObjectName(QStringLiteral("txtReplace"));
    m_matchCase = new QCheckBox(QStringLiteral("Match &case"), this);
    m_matchCase->setObjectName(QStringLiteral("chkMatchCase"));
    m_wholeWords = new QCheckBox(QStringLiteral("Whole wor&ds"), this);
    m_wholeWords->setObjectName(QStringLiteral("chkWholeWords"));
    m_regularExpression = new QCheckBox(QStringLiteral("Regular e&xpression"), this);
    m_regularExpression->setObjectName(QStringLiteral("chkRegularExpression"));
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("lblNote"));
    m_note->setWordWrap(true);
    // However long the note, the window keeps its width.
    m_note->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto *fields = new QFormLayout;
    auto *findLabel = new QLabel(QStringLiteral("Find &what:"), this);
    findLabel->setBuddy(m_findText);
    auto *replaceLabel = new QLabel(QStringLiteral("Replace w&ith:"), this);
    replaceLabel->setBuddy(m_replaceText);
    fields->addRow(findLabel, m_findText);
    fields->addRow(replaceLabel, m_replaceText);
    fields->addRow(QString(), m_matchCase);
    fields->addRow(QString(), m_wholeWords);
    fields->addRow(QString(), m_regularExpression);

    auto *buttons = new QDialogButtonBox(Qt::Horizontal, this);
    auto addButton = [&](const char *name, const QString &caption, void (FindDialog::*slot)()) {
        auto *button = buttons->addButton(caption, QDialogButtonBox::ActionRole);
        button->setObjectName(QLatin1String(name));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, slot);
        return button;
    };
    // Enter in either box finds the next occurrence.
    addButton("cmdFindNext", QStringLiteral("Find &Next"), &FindDialog::findNext)->setDefault(true);
    addButton("cmdFindPrevious", QStringLiteral("Find &Previous"), &FindDialog::findPrevious);
    addButton("cmdReplace", QStringLiteral("&Replace"), &FindDialog::replace);
    addButton("cmdReplaceAll", QStringLiteral("Replace &All"), &FindDialog::replaceAll);
    auto *close = buttons->addButton(QDialogButtonBox::Close);
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(m_note);
    layout->addWidget(buttons);
    // A new term makes the old note meaningless.
    connect(m_findText, &QLineEdit::textChanged, m_note, &QLabel::clear);
}

void FindDialog::showFind()
{
    present(m_findText);
}

void FindDialog::showReplace()
{
    present(m_replaceText);
}

void FindDialog::present(QLineEdit *focus)
{
    QTextCursor caret = m_editor.textCursor();
    if (!caret.hasSelection())
        caret.select(QTextCursor::WordUnderCursor);
    const QString selected = caret.selectedText();
    if (!selected.trimmed().isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        m_findText->setText(selected);
    m_note->clear();
    show();
    raise();
    activateWindow();
    focus->setFocus();
    focus->selectAll();
}

QString FindDialog::note() const
{
    return m_note->text();
}

FindReplace::Options FindDialog::options() const
{
    return {m_matchCase->isChecked(), m_wholeWords->isChecked(), m_regularExpression->isChecked()};
}

namespace {

// The term as a note shows it: a long one keeps its start and end.
QString shownTerm(const QString &term)
{
    constexpr int Longest = 40;
    if (term.size() <= Longest)
        return term;
    return term.left(Longest / 2) + QChar(0x2026) + term.right(Longest / 2 - 1);
}

} // namespace

void FindDialog::keepClearOf(const QTextCursor &match)
{
    if (!isVisible())
        return;
    QTextCursor start(match);
    start.setPosition(match.selectionStart());
    QRect at = m_editor.cursorRect(start);
    at.moveTopLeft(m_editor.viewport()->mapToGlobal(at.topLeft()));
    at.setRight(at.right() + m_editor.fontMetrics().horizontalAdvance(match.selectedText()));
    const QRect frame = frameGeometry();
    if (!frame.intersects(at))
        return;
    // Below the match's line when there is room, else above it.
    const QScreen *screen = m_editor.screen();
    const QRect room = screen ? screen->availableGeometry() : QRect();
    const int margin = at.height();
    QPoint place(frame.left(), at.bottom() + margin);
    if (room.isValid() && place.y() + frame.height() > room.bottom())
        place.setY(at.top() - margin - frame.height());
    if (room.isValid() && place.y() < room.top())
        place = QPoint(at.right() + margin, frame.top());
    move(place);
}

void FindDialog::findNext()
{
    search(true);
}

void FindDialog::findPrevious()
{
    search(false);
}

bool FindDialog::search(bool forward)
{
    const QString term = m_findText->text();
    if (term.isEmpty()) {
        showFind();
        return false;
    }
    const auto direction =
        forward ? FindReplace::Direction::Forward : FindReplace::Direction::Backward;
    const QString error = FindReplace::termError(term, options());
    if (!error.isEmpty()) {
        showNote(QStringLiteral("This is not a regular expression: %1.").arg(error));
        return false;
    }
    const FindReplace::Match match =
        FindReplace::find(*m_editor.document(), m_editor.textCursor(), term, direction, options());
    if (!match.found()) {
        showNote(QStringLiteral("Cannot find \"%1\".").arg(shownTerm(term)));
        return false;
    }
    m_editor.setTextCursor(match.cursor);
    m_editor.ensureCursorVisible();
    keepClearOf(match.cursor);
    if (!match.wrapped)
        showNote(QString());
    else if (forward)
        showNote(QStringLiteral("Passed the end of the text; went on from the top."));
    else
        showNote(QStringLiteral("Passed the top of the text; went on from the end."));
    return true;
}

void FindDialog::replace()
{
    const QString term = m_findText->text();
    QTextCursor cursor = m_editor.textCursor();
    if (FindReplace::selects(cursor, term, options())) {
        cursor.insertText(
            FindReplace::replacementFor(cursor, term, m_replaceText->text(), options()));
        m_editor.setTextCursor(cursor);
    }
    search(true);
}

void FindDialog::replaceAll()
{
    const QString term = m_findText->text();
    if (term.isEmpty()) {
        showFind();
        return;
    }
    const QString error = FindReplace::termError(term, options());
    if (!error.isEmpty()) {
        showNote(QStringLiteral("This is not a regular expression: %1.").arg(error));
        return;
    }
    const int count =
        FindReplace::replaceAll(*m_editor.document(), term, m_replaceText->text(), options());
    if (count == 0)
        showNote(QStringLiteral("Cannot find \"%1\".").arg(shownTerm(term)));
    else if (count == 1)
        showNote(QStringLiteral("Replaced 1 occurrence."));
    else
        showNote(QStringLiteral("Replaced %1 occurrences.").arg(count));
}

void FindDialog::showNote(const QString &note)
{
    m_note->setText(note);
    m_note->setToolTip(note);
    // Searching with F3 while this window is closed: the note shows at the caret.
    if (!isVisible() && !note.isEmpty()) {
        const QRect caret = m_editor.cursorRect();
        QToolTip::showText(m_editor.viewport()->mapToGlobal(caret.bottomLeft()), note, &m_editor);
    }
}
