// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <vector>

namespace k4 {

// The devices a macro runs on: device ID to the text of its "Profile" cell, as typed. Only
// devices whose cell is not blank are held.
using MacroMarks = std::map<std::uint8_t, QString>;

// What a macro holds besides its name: its key sequence as typed, and the devices it runs on.
struct MacroContent {
    QString Keys;
    MacroMarks Devices;
    // "300:y": pairs the file holds for IDs no device can have, kept as written so a save gives
    // them back; they mark no device.
    QStringList KeptPairs;

    bool isEmpty() const { return Keys.isEmpty() && Devices.empty() && KeptPairs.isEmpty(); }
    bool operator==(const MacroContent&) const = default;
};

// Whether a Profile cell's text marks its device: anything but blanks does.
bool IsMacroMark(const QString& text);

// The marks after an edit of the device list: every listed device (ids[k] with the cell text
// cells[k]) is marked or unmarked as its cell says; devices the list did not show keep theirs.
MacroMarks MergeMacroMarks(MacroMarks marks, const std::vector<std::uint8_t>& ids,
                           const QStringList& cells);

// "1:x,5:ab": the marks as the workspace file keeps them, lowest ID first, each ID as the file
// writes device IDs (a signed 8-bit number); the kept pairs follow as they were.
QString FormatMacroMarks(const MacroMarks& marks, const QStringList& kept = {});
// The other way round. A mark runs up to the next "," that starts another "ID:" pair, so a mark
// may itself hold "," or ":". An ID is a device ID as written (0 to 255) or as the file writes
// it (-128 to -1 for 128 to 255); a pair with any other number goes to kept, whole, when kept is
// given, and never marks a device. Pieces without "ID:" and blank marks are left out.
MacroMarks ParseMacroMarks(const QString& text, QStringList* kept = nullptr);

}  // namespace k4
