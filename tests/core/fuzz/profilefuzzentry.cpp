// SPDX-License-Identifier: GPL-3.0-or-later
#include "profilefuzzentry.h"

#include "core/profilefile.h"
#include "core/profiletext.h"
#include "core/workspacefile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

namespace k4fuzz {

namespace {

void require(bool holds, const char* rule) {
    if (!holds) {
        std::fprintf(stderr, "profile fuzz: broken rule: %s\n", rule);
        std::abort();
    }
}

struct Write {
    QByteArray section;
    QByteArray key;
    QByteArray value;
};

// The same key as far as a write can tell (names fold at least as widely as the file's rules).
bool sameKey(const Write& a, const Write& b) {
    return a.section.trimmed().toLower() == b.section.trimmed().toLower() &&
           a.key.trimmed().toLower() == b.key.trimmed().toLower();
}

// Values written into any file read back as they would from a file holding only that line, at
// once and from the saved text (parsed once for all the writes: the parse is what costs).
void checkWrites(const k4::ProfileText& read, const std::vector<Write>& writes) {
    k4::ProfileText text(read);
    std::vector<std::optional<QByteArray>> expected;
    for (const Write& w : writes) {
        const bool global = w.section.trimmed().toLower() == "global";
        const auto devicesBefore = text.value("Global", "Devices");
        text.setValue(w.section, w.key, w.value);
        require(global || text.value("Global", "Devices") == devicesBefore,
                "a write leaves other sections alone");
        const QByteArray lone =
            "[" + w.section + "]\r\n" + w.key + "=" + k4::ProfileText::storedForm(w.value);
        expected.push_back(k4::ProfileText(lone).value(w.section, w.key));
        require(expected.back().has_value(), "a lone written line reads");
        require(text.value(w.section, w.key) == expected.back(), "a written value reads back");
    }
    const k4::ProfileText saved(text.text());
    for (std::size_t i = 0; i < writes.size(); ++i) {
        const bool overwritten =
            std::any_of(writes.begin() + static_cast<std::ptrdiff_t>(i) + 1, writes.end(),
                        [&](const Write& later) { return sameKey(later, writes[i]); });
        require(overwritten || saved.value(writes[i].section, writes[i].key) == expected[i],
                "a written value reads back from the saved text");
    }
}

void checkProfile(const QByteArray& input) {
    const k4::ProfileText text(input);
    require(text.text() == input, "an untouched file keeps every byte");
    static_cast<void>(text.value("Global", "Devices"));
    // Keys and values taken from the input itself reach the odd corners of the parser.
    std::vector<Write> writes{{"Global", "Devices", input.right(24)},
                              {"Fuzz", "Key", input.left(40)}};
    const qsizetype eq = input.indexOf('=');
    const QByteArray fromInput = input.left(eq < 0 ? 16 : eq).trimmed();
    const QByteArray header = input.left(input.indexOf(']') + 1);
    if (header.startsWith('[') && !header.contains('\n') && !header.contains('\r')) {
        const QByteArray name = header.mid(1, header.size() - 2).trimmed();
        if (!name.contains(']') && !fromInput.isEmpty() && !fromInput.contains('=') &&
            !fromInput.contains('\n') && !fromInput.contains('\r') && !fromInput.contains('[') &&
            !fromInput.contains(';')) {
            writes.push_back({name, fromInput, "v"});
        }
    }
    checkWrites(text, writes);
}

k4::WorkspaceFileData checkRead(const k4::ProfileFile& file) {
    k4::WorkspaceFileData data = k4::ReadWorkspaceProfile(file);
    require(data.Devices.size() <= 127, "at most 127 devices");
    for (const k4::WorkspaceDevice& device : data.Devices) {
        require((device.flags & 0x01) != 0, "every device carries the in-use flag");
        // One byte of the file gives at most one character of the name.
        require(device.DeviceName.size() <= 49, "device names fit their size");
    }
    require(data.Name.size() <= 49, "the name fits its size");
    return data;
}

// Saved over itself and loaded again, the workspace keeps its devices; a second round changes
// nothing more.
void checkSave(k4::ProfileFile& file, const k4::WorkspaceFileData& first) {
    k4::WriteWorkspaceProfile(file, QStringLiteral("C:\\racks\\fuzz.DID"), first);
    const k4::WorkspaceFileData second = k4::ReadWorkspaceProfile(file);
    require(second.Devices.size() == first.Devices.size(), "a save keeps the device count");
    require(second.Name == QStringLiteral("fuzz.DID"), "the name follows the file");
    const QByteArray saved = file.text();
    require(k4::ReadWorkspaceProfile(k4::ProfileFile::FromText(saved)) == second,
            "the saved text reads as the file in memory");
    k4::WriteWorkspaceProfile(file, QStringLiteral("C:\\racks\\fuzz.DID"), second);
    require(file.text() == saved, "a second save changes nothing");
}

}  // namespace

void CheckProfileText(const QByteArray& input) {
    checkProfile(input);
}

void CheckWorkspaceRead(const QByteArray& input) {
    static_cast<void>(checkRead(k4::ProfileFile::FromText(input)));
}

void CheckProfileInput(const QByteArray& input) {
    checkProfile(input);
    k4::ProfileFile file = k4::ProfileFile::FromText(input);
    checkSave(file, checkRead(file));
}

}  // namespace k4fuzz
