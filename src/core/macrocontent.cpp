// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/macrocontent.h"

#include <QRegularExpression>
#include <QStringList>

#include <optional>

namespace k4 {

namespace {

// The start of a pair: a number in decimal, perhaps negative, and its colon.
const QRegularExpression& PairStart() {
    static const QRegularExpression start(QStringLiteral("-?\\d+:"));
    return start;
}

bool PairStartsAt(const QString& text, qsizetype pos, QRegularExpressionMatch* match = nullptr) {
    const QRegularExpressionMatch m = PairStart().match(
        text, pos, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
    if (match != nullptr) {
        *match = m;
    }
    return m.hasMatch();
}

// The device a pair's number names, if any can have it.
std::optional<std::uint8_t> DeviceOfNumber(const QString& number) {
    bool ok = false;
    const int id = number.toInt(&ok);
    if (!ok || id < -128 || id > 255) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(static_cast<unsigned>(id) & 0xFFu);
}

}  // namespace

bool IsMacroMark(const QString& text) {
    return !text.trimmed().isEmpty();
}

MacroMarks MergeMacroMarks(MacroMarks marks, const std::vector<std::uint8_t>& ids,
                           const QStringList& cells) {
    for (std::size_t k = 0; k < ids.size() && k < static_cast<std::size_t>(cells.size()); ++k) {
        const QString& cell = cells[static_cast<qsizetype>(k)];
        if (IsMacroMark(cell)) {
            marks[ids[k]] = cell;
        } else {
            marks.erase(ids[k]);
        }
    }
    return marks;
}

QString FormatMacroMarks(const MacroMarks& marks, const QStringList& kept) {
    QStringList pairs;
    for (const auto& [id, mark] : marks) {
        pairs << QString::number(static_cast<std::int8_t>(id)) + QLatin1Char(':') + mark;
    }
    pairs << kept;
    return pairs.join(QLatin1Char(','));
}

MacroMarks ParseMacroMarks(const QString& text, QStringList* kept) {
    MacroMarks marks;
    const qsizetype n = text.size();
    qsizetype pos = 0;
    while (pos < n) {
        QRegularExpressionMatch pair;
        if (!PairStartsAt(text, pos, &pair)) {
            const qsizetype comma = text.indexOf(QLatin1Char(','), pos);
            pos = comma < 0 ? n : comma + 1;
            continue;
        }
        const qsizetype markStart = pair.capturedEnd(0);
        qsizetype end = markStart;
        while (end < n && !(text[end] == QLatin1Char(',') && PairStartsAt(text, end + 1))) {
            ++end;
        }
        const QString mark = text.mid(markStart, end - markStart);
        if (IsMacroMark(mark)) {
            // Never folded onto another device: 300 is not device 44.
            if (const auto device = DeviceOfNumber(pair.captured(0).chopped(1))) {
                marks[*device] = mark;
            } else if (kept != nullptr) {
                *kept << text.mid(pos, end - pos);
            }
        }
        pos = end + 1;
    }
    return marks;
}

}  // namespace k4
