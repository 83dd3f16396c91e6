// SPDX-License-Identifier: GPL-3.0-or-later
#include "macro/macrokeys.h"

#include "panel/panelparts.h"

#include <QStringList>

#include <algorithm>
#include <optional>

namespace k4 {

namespace {

// Digits only, no sign, no leading zero unless the number is 0; nullopt above limit.
std::optional<int> PlainNumber(const QString& digits, int limit) {
    if (digits.isEmpty() || digits.size() > 5 ||
        (digits.size() > 1 && digits.front() == QLatin1Char('0')) ||
        !std::all_of(digits.begin(), digits.end(),
                     [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); })) {
        return std::nullopt;
    }
    const int value = digits.toInt();
    return value <= limit ? std::optional<int>(value) : std::nullopt;
}

std::optional<MacroStep> ParseToken(const QString& token) {
    const QString t = token.toLower();
    if (t == QLatin1String("t")) {
        return MacroStep{kKeyT, 0};
    }
    if (t == QLatin1String("s")) {
        return MacroStep{kKeyS, 0};
    }
    static const std::pair<const char*, std::uint8_t> kKeyLabels[] = {
        {"<<", 1}, {">>", 2}, {"-", 3}, {"+", 4}};
    for (const auto& [label, key] : kKeyLabels) {
        if (t == QLatin1String(label)) {
            return MacroStep{key, 0};
        }
    }
    if (t.startsWith(QLatin1Char('p'))) {
        if (const std::optional<int> ms = PlainNumber(t.mid(1), kMacroMaxPauseMs)) {
            return MacroStep{0, *ms};
        }
        return std::nullopt;
    }
    if (const std::optional<int> number = PlainNumber(t, 16); number && *number >= 1) {
        return MacroStep{static_cast<std::uint8_t>(*number), 0};
    }
    return std::nullopt;
}

// The tokens between blanks. Every blank Unicode knows parts them, the no-break space too, and
// text that is not valid UTF-16 is parted the same (a regular expression would not part it).
QStringList Tokens(const QString& text) {
    QStringList tokens;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool blank = i == text.size() || text[i].isSpace();
        if (blank && start >= 0) {
            tokens << text.mid(start, i - start);
            start = -1;
        } else if (!blank && start < 0) {
            start = i;
        }
    }
    return tokens;
}

}  // namespace

int MacroKeysParse::keyCount() const {
    return static_cast<int>(
        std::count_if(steps.begin(), steps.end(), [](const MacroStep& s) { return !s.isPause(); }));
}

MacroKeysParse ParseMacroKeys(const QString& text) {
    MacroKeysParse result;
    for (const QString& token : Tokens(text)) {
        const std::optional<MacroStep> step = ParseToken(token);
        if (!step) {
            result.badToken = token;
            result.steps.clear();
            break;
        }
        result.steps.push_back(*step);
    }
    return result;
}

QString MacroKeysHelp() {
    return QStringLiteral(
               "The panel keys to press, separated by blanks: T, S, 1 to 16, << >> - + "
               "(keys 1 to 4); p and a number of milliseconds pauses (p500, at most "
               "10000). Example: %1")
        .arg(QLatin1String(kMacroKeysExample));
}

}  // namespace k4
