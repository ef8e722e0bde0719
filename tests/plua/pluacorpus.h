#pragma once

#include <QDir>
#include <QFile>
#include <QList>
#include <QRegularExpression>
#include <QString>

// The corpus of Plua 1 programs under tests/plua/corpus. Each file states
// what the handheld's compiler makes of it in a comment line of its own:
//   -- expect: ok
//   -- expect: LINE: part of the message
struct PluaCase
{
    QString name;
    QString path;
    QByteArray bytes;
    bool valid = false;
    int line = 0;
    QString fragment;
};

inline QString pluaCorpusDir()
{
    return QStringLiteral(SCRIVLET_SOURCE_DIR "/tests/plua/corpus");
}

inline QList<PluaCase> loadPluaCorpus()
{
    static const QRegularExpression expect(QStringLiteral("^-- expect: (?:(ok)|(\\d+): (.+))$"),
                                           QRegularExpression::MultilineOption);
    QList<PluaCase> cases;
    const QDir dir(pluaCorpusDir());
    const QStringList files = dir.entryList({QStringLiteral("*.lua")}, QDir::Files, QDir::Name);
    for (const QString &file : files) {
        PluaCase c;
        c.name = file;
        c.path = dir.filePath(file);
        QFile f(c.path);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        c.bytes = f.readAll();
        const QRegularExpressionMatch m = expect.match(QString::fromUtf8(c.bytes));
        if (!m.hasMatch()) {
            c.line = -1; // reported by the test as a corpus fault
        } else if (!m.captured(1).isEmpty()) {
            c.valid = true;
        } else {
            c.line = m.captured(2).toInt();
            c.fragment = m.captured(3).trimmed();
        }
        cases.append(c);
    }
    return cases;
}
