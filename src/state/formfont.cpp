// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/formfont.h"

#include <QStringList>

namespace k4 {

QFont FormFont() {
    QFont font;
    // DejaVu Sans Condensed is about as wide as the original face, so labels end where the
    // layout expects; plain DejaVu Sans runs into the controls beside them.
    font.setFamilies(
        QStringList{QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans Condensed")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

}  // namespace k4
