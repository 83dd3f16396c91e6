// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>

#include <optional>
#include <vector>

namespace k4 {

// The text of a profile file as lines grouped by section, with the lookup and edit rules of
// ProfileFile but no disk access (ProfileFile reads and saves it; the fuzz targets drive it
// directly). Every line keeps its own bytes and line ending (CRLF, LF or a lone CR), and a UTF-8
// byte-order mark stays in front, so text() gives back the input exactly until a value is
// written, and afterwards differs only in the lines written.
class ProfileText {
public:
    ProfileText() = default;
    explicit ProfileText(const QByteArray& bytes);

    // The value of the key, trimmed and without one pair of matching outer quotes; nullopt when
    // the first matching section lacks the key, or when the key's first line there has no "=".
    std::optional<QByteArray> value(const QByteArray& section, const QByteArray& key) const;
    // Replaces the key's line in place, or adds the key after the section's last non-blank line,
    // or adds the section at the end. The value ends at its first CR, LF or NUL and loses its
    // leading blanks; a value equal to the stored one leaves the line untouched.
    void setValue(const QByteArray& section, const QByteArray& key, const QByteArray& value);

    QByteArray text() const;
    bool isModified() const { return modified_; }
    void markSaved() { modified_ = false; }

    // The signed decimal number at the start of text (blanks before it skipped); 0 when there is
    // none. Wraps around at 32 bits instead of overflowing, as the platform's reader does.
    static int leadingInt(const QByteArray& text);
    // What setValue() stores of value.
    static QByteArray storedForm(const QByteArray& value);

private:
    enum class Eol { None, Lf, CrLf, Cr };
    struct Line {
        QByteArray content;  // without the line ending
        Eol eol = Eol::None;
    };
    struct Section {
        bool hasHeader = false;   // false only for the lines before the first section
        QByteArray name;          // trimmed, as spelt in the file
        std::vector<Line> lines;  // lines[0] is the header when hasHeader
    };

    Section* findSection(const QByteArray& name);
    const Section* findSection(const QByteArray& name) const;
    static int findKeyLine(const Section& section, const QByteArray& key);
    void endLastLine();
    void addSection(Section section);

    std::vector<Section> sections_;
    // Folded name -> index of the first section of that name, so that a file of many sections
    // costs one look-up per read, not one pass over the file.
    QHash<QByteArray, std::size_t> firstSection_;
    bool modified_ = false;
    bool hasBom_ = false;  // the text starts with a UTF-8 byte-order mark
};

}  // namespace k4
