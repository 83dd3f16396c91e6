// SPDX-License-Identifier: GPL-3.0-or-later
#include "macrofuzzentry.h"

#include "core/macrocontent.h"
#include "macro/macrokeys.h"
#include "panel/panelparts.h"

#include <QStringList>

#include <cstdio>
#include <cstdlib>

namespace k4fuzz {

namespace {

void require(bool holds, const char* rule) {
    if (!holds) {
        std::fprintf(stderr, "macro fuzz: broken rule: %s\n", rule);
        std::abort();
    }
}

QString TextOf(const QByteArray& input) {
    const QByteArray rest = input.mid(1);
    if ((static_cast<std::uint8_t>(input[0]) & 1) == 0) {
        return QString::fromUtf8(rest);
    }
    return QString(reinterpret_cast<const QChar*>(rest.constData()), rest.size() / 2);
}

// Upper-case ASCII letters lower-cased and the other way round; nothing else changes.
QString SwappedAsciiCase(QString text) {
    for (QChar& c : text) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) {
            c = QChar(c.unicode() - 'a' + 'A');
        } else if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) {
            c = QChar(c.unicode() - 'A' + 'a');
        }
    }
    return text;
}

// The steps as an operator could have typed them.
QString Typed(const std::vector<k4::MacroStep>& steps) {
    QStringList tokens;
    for (const k4::MacroStep& step : steps) {
        if (step.isPause()) {
            tokens << QStringLiteral("p%1").arg(step.pauseMs);
        } else if (step.key == k4::kKeyT) {
            tokens << QStringLiteral("T");
        } else if (step.key == k4::kKeyS) {
            tokens << QStringLiteral("s");
        } else {
            tokens << QString::number(step.key);
        }
    }
    return tokens.join(QStringLiteral(" \t"));
}

void checkKeys(const QString& text) {
    const k4::MacroKeysParse parse = k4::ParseMacroKeys(text);
    for (const k4::MacroStep& step : parse.steps) {
        require(step.isPause() ? step.pauseMs >= 0 && step.pauseMs <= k4::kMacroMaxPauseMs
                               : (step.key >= 1 && step.key <= 16) || step.key == k4::kKeyT ||
                                     step.key == k4::kKeyS,
                "a step is a panel key or a pause within bounds");
    }
    if (!parse.ok()) {
        require(text.contains(parse.badToken), "the refused token is one of the text's");
        for (const QChar c : parse.badToken) {
            require(!c.isSpace(), "the refused token holds no blank");
        }
    }
    const k4::MacroKeysParse again = k4::ParseMacroKeys(Typed(parse.steps));
    require(again.ok() && again.steps == parse.steps, "the steps typed again read the same");
    const k4::MacroKeysParse swapped = k4::ParseMacroKeys(SwappedAsciiCase(text));
    require(swapped.steps == parse.steps && swapped.ok() == parse.ok(),
            "the case of letters changes nothing");
}

void checkMarks(const QString& text) {
    const k4::MacroMarks marks = k4::ParseMacroMarks(text);
    for (const auto& [id, mark] : marks) {
        require(k4::IsMacroMark(mark), "only marking cells are kept");
    }
    require(k4::ParseMacroMarks(k4::FormatMacroMarks(marks)) == marks,
            "the marks as the file keeps them read back the same");
}

}  // namespace

void CheckMacroInput(const QByteArray& input) {
    if (input.isEmpty()) {
        return;
    }
    const QString text = TextOf(input);
    checkKeys(text);
    checkMarks(text);
}

}  // namespace k4fuzz
