// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/textlimit.h"

#include <algorithm>

namespace k4 {

namespace {

// Bytes of the character (one UTF-16 unit or a surrogate pair) starting at i; sets units.
int charBytes(const QString& text, qsizetype i, qsizetype& units) {
    const char16_t u = text[i].unicode();
    units = 1;
    if (u < 0x80) {
        return 1;
    }
    if (u < 0x800) {
        return 2;
    }
    if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        units = 2;
        return 4;
    }
    return 3;
}

}  // namespace

int BytesAsWritten(const QString& text) {
    int bytes = 0;
    for (qsizetype i = 0, units = 0; i < text.size(); i += units) {
        bytes += charBytes(text, i, units);
    }
    return bytes;
}

QString CutToBytesAsWritten(const QString& text, int maxBytes) {
    int bytes = 0;
    qsizetype i = 0;
    for (qsizetype units = 0; i < text.size(); i += units) {
        const int next = charBytes(text, i, units);
        if (bytes + next > maxBytes) {
            break;
        }
        bytes += next;
    }
    return text.left(i);
}

LimitedEdit LimitTypedText(const QString& before, const QString& after, int maxBytes) {
    const qsizetype common = std::min(before.size(), after.size());
    qsizetype prefix = 0;
    while (prefix < common && before[prefix] == after[prefix]) {
        ++prefix;
    }
    if (prefix > 0 && prefix < after.size() && after[prefix].isLowSurrogate()) {
        --prefix;
    }
    qsizetype suffix = 0;
    while (suffix < common - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
        ++suffix;
    }
    if (suffix > 0 && after[after.size() - suffix].isLowSurrogate()) {
        --suffix;
    }
    const int afterBytes = BytesAsWritten(after);
    const int budget = std::max(maxBytes, BytesAsWritten(before));
    if (afterBytes <= budget) {
        return {after, static_cast<int>(after.size() - suffix)};
    }
    const QString head = after.left(prefix);
    const QString tail = after.right(suffix);
    const QString inserted = after.mid(prefix, after.size() - prefix - suffix);
    const QString kept =
        CutToBytesAsWritten(inserted, budget - BytesAsWritten(head) - BytesAsWritten(tail));
    return {head + kept + tail, static_cast<int>(head.size() + kept.size())};
}

}  // namespace k4
