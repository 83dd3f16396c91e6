// SPDX-License-Identifier: GPL-3.0-or-later
#include "simcommand.h"

#include <cctype>
#include <vector>

namespace kvtsim {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Splits off the first word; the rest keeps its inner blanks (device names may hold them).
std::string_view NextWord(std::string_view& rest) {
    rest = Trim(rest);
    std::size_t end = 0;
    while (end < rest.size() && !IsBlank(rest[end])) {
        ++end;
    }
    const std::string_view word = rest.substr(0, end);
    rest = Trim(rest.substr(end));
    return word;
}

// A decimal number from 0 to max.
bool ParseNumber(std::string_view word, unsigned max, unsigned& value) {
    if (word.empty() || word.size() > 5) {
        return false;
    }
    unsigned n = 0;
    for (const char c : word) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
        n = n * 10 + static_cast<unsigned>(c - '0');
    }
    if (n > max) {
        return false;
    }
    value = n;
    return true;
}

bool ParseId(std::string_view word, std::uint8_t& id) {
    unsigned value = 0;
    if (!ParseNumber(word, 127, value)) {
        return false;
    }
    id = static_cast<std::uint8_t>(value);
    return true;
}

ParsedCommand Fail(ParsedCommand result, std::string error) {
    result.ok = false;
    result.error = std::move(error);
    return result;
}

}  // namespace

bool IsBlankLine(std::string_view line) {
    return Trim(line).empty();
}

ParsedCommand ParseCommand(std::string_view line) {
    ParsedCommand result;
    std::string_view rest = Trim(line);
    result.text = std::string(rest);
    const std::string_view verb = NextWord(rest);

    struct IdVerb {
        std::string_view word;
        CommandKind kind;
    };
    static const IdVerb kIdVerbs[] = {
        {"silent", CommandKind::Silent},       {"normal", CommandKind::Normal},
        {"short", CommandKind::Short},         {"garble", CommandKind::Garble},
        {"attention", CommandKind::Attention}, {"add", CommandKind::Add},
        {"remove", CommandKind::Remove},       {"pause", CommandKind::Pause},
    };
    struct PlainVerb {
        std::string_view word;
        CommandKind kind;
    };
    static const PlainVerb kPlainVerbs[] = {
        {"stats", CommandKind::Stats},   {"pacing", CommandKind::Pacing},
        {"line", CommandKind::Line},     {"unplug", CommandKind::Unplug},
        {"replug", CommandKind::Replug}, {"quit", CommandKind::Quit},
    };
    for (const PlainVerb& entry : kPlainVerbs) {
        if (verb != entry.word) {
            continue;
        }
        if (!rest.empty()) {
            return Fail(result, "unexpected text after " + std::string(verb));
        }
        result.command.kind = entry.kind;
        result.ok = true;
        return result;
    }
    for (const IdVerb& entry : kIdVerbs) {
        if (verb != entry.word) {
            continue;
        }
        result.command.kind = entry.kind;
        const std::string_view idWord = NextWord(rest);
        if (idWord.empty()) {
            return Fail(result, std::string(verb) + " needs a device ID");
        }
        if (!ParseId(idWord, result.command.id)) {
            return Fail(result, "bad device ID " + std::string(idWord) + " (0 to 127)");
        }
        if (entry.kind == CommandKind::Add) {
            result.command.name = std::string(rest);
        } else if (entry.kind == CommandKind::Attention) {
            const std::string_view state = NextWord(rest);
            if (state != "on" && state != "off") {
                return Fail(result, "attention needs on or off");
            }
            result.command.on = state == "on";
            if (!rest.empty()) {
                return Fail(result, "unexpected text after attention " + std::string(state));
            }
        } else if (entry.kind == CommandKind::Pause) {
            if (!ParseNumber(NextWord(rest), kMaxPauseAfter, result.command.pauseAfter) ||
                !ParseNumber(NextWord(rest), kMaxPauseMs, result.command.pauseMs)) {
                return Fail(result, "pause needs AFTER (0 to 50 bytes) and MS (0 to 10000)");
            }
            if (!rest.empty()) {
                return Fail(result, "unexpected text after pause ID AFTER MS");
            }
        } else if (!rest.empty()) {
            return Fail(result, "unexpected text after " + std::string(verb) + " ID");
        }
        result.ok = true;
        return result;
    }
    return Fail(result, "unknown command " + std::string(verb));
}

}  // namespace kvtsim
