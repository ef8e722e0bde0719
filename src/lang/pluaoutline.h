#pragma once

#include <QList>
#include <QString>

class QTextDocument;

// The functions a Plua program defines, in the order they appear: the
// outline the editor offers for going to one.
namespace PluaOutline {

struct Function
{
    QString name; // as written: "draw", "obj:on_tap", "M.init"
    int line;     // from 1
};

// `function name(...)`, `local function name(...)` and
// `name = function(...)`, each at the start of its line.
QList<Function> functions(const QTextDocument &document);

} // namespace PluaOutline
