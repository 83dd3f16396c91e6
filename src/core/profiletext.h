// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstddef>
#include <optional>
#include <unordered_map>
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
    explicit ProfileText(const QByteArray& input);

    // The value of the key, trimmed and without one pair of matching outer quotes; nullopt when
    // the first matching section lacks the key, or when the key's first line there has no "=".
    std::optional<QByteArray> value(QByteArrayView section, QByteArrayView key) const;
    // Replaces the key's line in place, or adds the key after the section's last non-blank line,
    // or adds the section at the end. The value ends at its first CR, LF or NUL and loses its
    // leading blanks; a value equal to the stored one leaves the line untouched.
    void setValue(QByteArrayView section, QByteArrayView key, const QByteArray& value);

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
        // Without the line ending. A line as read refers to source_ (a file of many lines costs
        // one allocation); a line written owns its bytes.
        QByteArray content;
        Eol eol = Eol::None;
    };
    struct Section {
        bool hasHeader = false;   // false only for the lines before the first section
        QByteArray name;          // trimmed, as spelt in the file
        std::vector<Line> lines;  // lines[0] is the header when hasHeader
    };

    // Section names hash and compare without regard to ASCII case, and a lookup by a view of the
    // caller's bytes allocates nothing: a workspace read looks up a thousand keys.
    struct FoldedHash {
        using is_transparent = void;
        std::size_t operator()(QByteArrayView name) const noexcept;
    };
    struct FoldedEqual {
        using is_transparent = void;
        bool operator()(QByteArrayView a, QByteArrayView b) const noexcept;
    };

    Section* findSection(QByteArrayView name);
    const Section* findSection(QByteArrayView name) const;
    static int findKeyLine(const Section& section, QByteArrayView key);
    void endLastLine();
    void addSection(Section section);

    // The text as read, never modified: the lines read point into it. A copy of the object
    // shares it, so their lines stay valid as long as either copy lives.
    QByteArray source_;
    std::vector<Section> sections_;
    // Name -> index of the first section of that name, so that a file of many sections costs one
    // look-up per read, not one pass over the file.
    std::unordered_map<QByteArray, std::size_t, FoldedHash, FoldedEqual> firstSection_;
    bool modified_ = false;
    bool hasBom_ = false;  // the text starts with a UTF-8 byte-order mark
};

}  // namespace k4
