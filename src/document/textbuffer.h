#pragma once

#include <QObject>
#include <QString>

// A plain-text staging buffer: saving, the exports and printing copy the
// editor's plain text here and write or print it from here.
class TextBuffer : public QObject
{
    Q_OBJECT

public:
    explicit TextBuffer(const QString &name, QObject *parent = nullptr) : QObject(parent)
    {
        setObjectName(name);
    }

    QString text() const { return m_text; }
    void setText(const QString &text) { m_text = text; }

private:
    QString m_text = QStringLiteral("Text2");
};
