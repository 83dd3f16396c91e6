// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QString>

namespace k4 {

// The font of the display cells, chosen once on the GUI thread (after the application object
// exists) and then reused.
const QFont& DisplayFont();
// Where it came from, for the render tool and the tests: "Terminal", the font file loaded, or
// the fallback family.
const QString& DisplayFontSource();

}  // namespace k4
