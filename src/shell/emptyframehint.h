// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>
#include <QString>

namespace k4 {

// What the empty main frame tells the operator while no workspace is open: the ways in, and the
// port the console would use (portLine, as the status line writes it: "COM1 (/dev/ttyS0)").
QString EmptyFrameHintText(const QString& portLine);

// The hint, centred in the frame's client area and drawn in the area's own colours. Clicks pass
// through it to the area; it never takes the focus.
class EmptyFrameHint final : public QLabel {
    Q_OBJECT
public:
    // area: the viewport of the frame's client area, which the hint sits in.
    explicit EmptyFrameHint(QWidget* area);

    void setPortLine(const QString& portLine);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void centre();
};

}  // namespace k4
