#pragma once

#include "document/findreplace.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

// The find and replace window: stays open beside the editor while the user
// goes on working, and says in a note line what the last search did (not
// found, or went on from the other end of the text).
class FindDialog : public QDialog
{
    Q_OBJECT

public:
    FindDialog(QPlainTextEdit &editor, QWidget *parent);

    // Shows the window with the focus in the find box, or in the replace
    // box; a selection of part of one line, or else the word at the caret,
    // becomes the term to find.
    void showFind();
    void showReplace();

    // Find next and previous; without a term they open the window instead.
    void findNext();
    void findPrevious();
    // Replaces the selection when it is the term, then finds the next one.
    void replace();
    // Replaces every occurrence as one step that one Undo takes back.
    void replaceAll();

    QString note() const;

private:
    void present(QLineEdit *focus);
    bool search(bool forward);
    void showNote(const QString &note);
    FindReplace::Options options() const;
    // Moves the window off the match when it covers it.
    void keepClearOf(const QTextCursor &match);

    QPlainTextEdit &m_editor;
    QLineEdit *m_findText = nullptr;
    QLineEdit *m_replaceText = nullptr;
    QCheckBox *m_matchCase = nullptr;
    QCheckBox *m_wholeWords = nullptr;
    QCheckBox *m_regularExpression = nullptr;
    QLabel *m_note = nullptr;
};
