// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace k4 {

class DeviceTable;

// The device editor's rules for the ID field, kept apart from its widgets.

// Text that is not a decimal number reads as this value, which the Ok check refuses.
inline constexpr int kUnreadableDeviceId = 200;
inline constexpr int kHighestDeviceId = 127;

// The ID field's text as a decimal integer ("007" is 7, "-1" is -1); kUnreadableDeviceId for
// text that is not a number, the empty text included.
int ReadDeviceIdText(const QString& text);

// The spin button's steps. Up wraps everything outside 0..127 to 0; down wraps below 0 and the
// unreadable value to 127, so a value above 127 other than 200 just decreases.
int DeviceIdStepUp(int value);
int DeviceIdStepDown(int value);

enum class DeviceIdCheck { Accepted, OutOfRange, Duplicate };

// Whether Ok may accept id for the device in slot editIndex: it must lie in 0..127 and no other
// in-use slot of table (slots 0..126) may carry it. A null table has no other devices.
DeviceIdCheck CheckDeviceId(int id, const DeviceTable* table, int editIndex);

}  // namespace k4
