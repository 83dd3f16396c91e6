// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/profiletext.h"

#include <cstdint>

namespace k4 {

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

QByteArray trimmed(const char* begin, const char* end) {
    while (begin < end && isBlank(*begin)) {
        ++begin;
    }
    while (end > begin && isBlank(end[-1])) {
        --end;
    }
    return QByteArray(begin, end - begin);
}

char foldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Names compare without regard to ASCII case; other bytes must match exactly.
bool sameName(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (foldAscii(a[i]) != foldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

QByteArrayView trimmedView(QByteArrayView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    return text.sliced(begin, end - begin);
}

// The key a line names, without copying: looked up for every line a read passes.
QByteArrayView keyOfLine(const QByteArray& content) {
    const qsizetype eq = content.indexOf('=');
    return trimmedView(QByteArrayView(content).first(eq < 0 ? content.size() : eq));
}

// One line split into key and value. Key lines without "=" name a key that holds no value.
struct KeyLine {
    QByteArray key;
    std::optional<QByteArray> rawValue;  // trimmed, quotes still on
};

KeyLine parseKeyLine(const QByteArray& content) {
    const char* begin = content.constData();
    const char* end = begin + content.size();
    const qsizetype eq = content.indexOf('=');
    if (eq < 0) {
        return {trimmed(begin, end), std::nullopt};
    }
    return {trimmed(begin, begin + eq), trimmed(begin + eq + 1, end)};
}

bool isBlankLine(const QByteArray& content) {
    for (char c : content) {
        if (!isBlank(c)) {
            return false;
        }
    }
    return true;
}

// "[name]" with optional blanks: the name runs to the last "]" of the line.
std::optional<QByteArray> sectionHeaderName(const QByteArray& content) {
    const char* begin = content.constData();
    const char* end = begin + content.size();
    while (begin < end && isBlank(*begin)) {
        ++begin;
    }
    if (begin == end || *begin != '[') {
        return std::nullopt;
    }
    const qsizetype close = content.lastIndexOf(']');
    if (close < 0 || content.constData() + close < begin) {
        return std::nullopt;
    }
    return trimmed(begin + 1, content.constData() + close);
}

QByteArrayView unquoted(QByteArrayView value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.sliced(1, value.size() - 2);
    }
    return value;
}

}  // namespace

ProfileText::ProfileText(const QByteArray& input) : source_(input.constData(), input.size()) {
    const QByteArray& bytes = source_;
    sections_.push_back(Section{});
    // A byte-order mark is no part of the first line (it would hide a section header there); it
    // goes back in front of the text when the file is written.
    qsizetype pos = 0;
    if (bytes.startsWith(kUtf8Bom)) {
        hasBom_ = true;
        pos = kUtf8Bom.size();
    }
    // CRLF, LF and a CR on its own each end a line, as in the platform's reader.
    while (pos < bytes.size()) {
        qsizetype end = pos;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r') {
            ++end;
        }
        Line line;
        line.content = QByteArray::fromRawData(bytes.constData() + pos, end - pos);
        if (end == bytes.size()) {
            pos = end;
        } else if (bytes[end] == '\n') {
            line.eol = Eol::Lf;
            pos = end + 1;
        } else if (end + 1 < bytes.size() && bytes[end + 1] == '\n') {
            line.eol = Eol::CrLf;
            pos = end + 2;
        } else {
            line.eol = Eol::Cr;
            pos = end + 1;
        }
        if (std::optional<QByteArray> name = sectionHeaderName(line.content)) {
            addSection(Section{true, std::move(*name), {}});
        }
        sections_.back().lines.push_back(std::move(line));
    }
}

std::optional<QByteArray> ProfileText::value(QByteArrayView section, QByteArrayView key) const {
    const Section* found = findSection(section);
    if (!found) {
        return std::nullopt;
    }
    const int index = findKeyLine(*found, key);
    if (index < 0) {
        return std::nullopt;
    }
    const QByteArray& content = found->lines[index].content;
    const qsizetype eq = content.indexOf('=');
    if (eq < 0) {
        return std::nullopt;
    }
    return unquoted(trimmedView(QByteArrayView(content).sliced(eq + 1))).toByteArray();
}

void ProfileText::setValue(QByteArrayView section, QByteArrayView key, const QByteArray& value) {
    const QByteArray stored = storedForm(value);
    Section* target = findSection(section);
    if (!target) {
        endLastLine();
        const QByteArray name = trimmedView(section).toByteArray();
        Section added{true, name, {}};
        added.lines.push_back(Line{'[' + name + ']', Eol::CrLf});
        added.lines.push_back(Line{trimmedView(key).toByteArray() + '=' + stored, Eol::CrLf});
        addSection(std::move(added));
        modified_ = true;
        return;
    }
    const int index = findKeyLine(*target, key);
    if (index >= 0) {
        Line& line = target->lines[index];
        const KeyLine parsed = parseKeyLine(line.content);
        if (parsed.rawValue && *parsed.rawValue == stored) {
            return;
        }
        line.content = parsed.key + '=' + stored;
        modified_ = true;
        return;
    }
    // After the section's last non-blank line, so blank lines keep separating it from the next.
    std::size_t after = target->lines.size();
    while (after > 0 && isBlankLine(target->lines[after - 1].content)) {
        --after;
    }
    if (after > 0 && target->lines[after - 1].eol == Eol::None) {
        target->lines[after - 1].eol = Eol::CrLf;
    }
    const Line added{trimmedView(key).toByteArray() + '=' + stored, Eol::CrLf};
    target->lines.insert(target->lines.begin() + static_cast<std::ptrdiff_t>(after), added);
    modified_ = true;
}

QByteArray ProfileText::text() const {
    qsizetype total = 0;
    for (const Section& section : sections_) {
        for (const Line& line : section.lines) {
            total += line.content.size() + 2;
        }
    }
    QByteArray out;
    out.reserve(total + kUtf8Bom.size());
    if (hasBom_) {
        out += kUtf8Bom;
    }
    for (const Section& section : sections_) {
        for (const Line& line : section.lines) {
            out += line.content;
            if (line.eol == Eol::CrLf) {
                out += "\r\n";
            } else if (line.eol == Eol::Lf) {
                out += '\n';
            } else if (line.eol == Eol::Cr) {
                out += '\r';
            }
        }
    }
    return out;
}

int ProfileText::leadingInt(const QByteArray& text) {
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint32_t result = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        result = result * 10u + static_cast<std::uint32_t>(text[i] - '0');
    }
    if (negative) {
        result = 0u - result;
    }
    return static_cast<int>(result);
}

QByteArray ProfileText::storedForm(const QByteArray& value) {
    qsizetype end = 0;
    while (end < value.size() && value[end] != '\r' && value[end] != '\n' && value[end] != '\0') {
        ++end;
    }
    qsizetype begin = 0;
    while (begin < end && isBlank(value[begin])) {
        ++begin;
    }
    return value.mid(begin, end - begin);
}

std::size_t ProfileText::FoldedHash::operator()(QByteArrayView name) const noexcept {
    std::size_t hash = 14695981039346656037u;  // FNV-1a over the folded bytes
    for (const char c : name) {
        hash = (hash ^ static_cast<unsigned char>(foldAscii(c))) * 1099511628211u;
    }
    return hash;
}

bool ProfileText::FoldedEqual::operator()(QByteArrayView a, QByteArrayView b) const noexcept {
    return sameName(a, b);
}

ProfileText::Section* ProfileText::findSection(QByteArrayView name) {
    const Section* found = static_cast<const ProfileText*>(this)->findSection(name);
    return const_cast<Section*>(found);
}

const ProfileText::Section* ProfileText::findSection(QByteArrayView name) const {
    const auto found = firstSection_.find(trimmedView(name));
    return found == firstSection_.end() ? nullptr : &sections_[found->second];
}

void ProfileText::addSection(Section section) {
    // The first section of a name is the one reads and writes find; a later one keeps its lines.
    firstSection_.try_emplace(section.name, sections_.size());
    sections_.push_back(std::move(section));
}

int ProfileText::findKeyLine(const Section& section, QByteArrayView key) {
    const QByteArrayView wanted = trimmedView(key);
    const int first = section.hasHeader ? 1 : 0;
    for (int i = first; i < static_cast<int>(section.lines.size()); ++i) {
        const QByteArray& content = section.lines[i].content;
        if (isBlankLine(content)) {
            continue;
        }
        if (sameName(keyOfLine(content), wanted)) {
            return i;
        }
    }
    return -1;
}

void ProfileText::endLastLine() {
    for (auto section = sections_.rbegin(); section != sections_.rend(); ++section) {
        if (!section->lines.empty()) {
            if (section->lines.back().eol == Eol::None) {
                section->lines.back().eol = Eol::CrLf;
            }
            return;
        }
    }
}

}  // namespace k4
