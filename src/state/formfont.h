// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>

namespace k4 {

// The font the window layouts were measured in (8 point "MS Sans Serif", 11 pixels high). Forms
// with fixed control positions use it so their texts fit the places given to them; where the
// family is missing the platform's sans serif of the same pixel size stands in.
QFont FormFont();

}  // namespace k4
