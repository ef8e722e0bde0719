#pragma once

#include <QString>

// The status bar's caret line text: "Line 3 of 10". Lines are counted from 1.
QString lineStatusText(int caretLine, int lineCount);
