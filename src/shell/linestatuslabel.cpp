// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/linestatuslabel.h"

#include "link/linestate.h"
#include "state/appstate.h"

#include <QPointer>

namespace k4 {

LineStatusLabel::LineStatusLabel(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("LineStatus"));
    setTextFormat(Qt::PlainText);  // device paths come from the settings file or the operator
    // A label that is gone is simply not told any more; the registry outlives every window.
    App().Views.setLineListener([label = QPointer<LineStatusLabel>(this)](const LineState& state) {
        if (label) {
            label->showLineState(state);
        }
    });
    showLineState(App().Views.lineState());
}

void LineStatusLabel::showLineState(const LineState& state) {
    setText(LineStateText(state));
}

}  // namespace k4
