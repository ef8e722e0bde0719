#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringView>

// A plain-text staging buffer: saving, the exports and printing copy the
// editor's plain text here and write or print it from here. Saving stages
// the text in its file form, the bytes it writes; the text is read back from
// them only when someone asks for it.
class TextBuffer : public QObject
{
    Q_OBJECT

public:
    explicit TextBuffer(const QString &name, QObject *parent = nullptr) : QObject(parent)
    {
        setObjectName(name);
    }

    // What a text box holds before anything is put in it: the staging
    // buffer, and the help pane until the catalogue fills it.
    static constexpr QStringView InitialText = u"Text2";

    QString text() const;
    void setText(const QString &text);

    // Stages a text by its file form: what TextFile::encode made of it.
    void setFileBytes(const QByteArray &bytes);
    // The staged file form; null when the text was staged as text.
    QByteArray fileBytes() const { return m_fileBytes; }

    // The text up to its first line end, without reading back the rest.
    QString firstLine() const;

private:
    mutable QString m_text = InitialText.toString();
    QByteArray m_fileBytes;
    mutable bool m_textPending = false; // m_text is still to be read from m_fileBytes
};
