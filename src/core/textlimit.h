// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace k4 {

// Limits for names that an operator types or pastes, counted in the bytes a profile file holds
// them in when written as UTF-8 (the most any character takes there), so that whatever is typed
// reads back whole.

// The bytes text takes as UTF-8.
int BytesAsWritten(const QString& text);

// The longest start of text that takes at most maxBytes as written; never splits a character.
QString CutToBytesAsWritten(const QString& text, int maxBytes);

// An edit that turned before into after, kept within maxBytes: the inserted part is cut to what
// still fits. A text that was already longer (set by the program, say from a file) may be edited
// as long as the edit does not lengthen it. cursor is where the edit ends.
struct LimitedEdit {
    QString text;
    int cursor = 0;
};
LimitedEdit LimitTypedText(const QString& before, const QString& after, int maxBytes);

}  // namespace k4
