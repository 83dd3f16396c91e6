// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/emptyframehint.h"

#include <QEvent>

namespace k4 {

QString EmptyFrameHintText(const QString& portLine) {
    return QStringLiteral(
               "No workspace open\n\n"
               "File > New workspace (Ctrl+N)\n"
               "File > Open workspace (Ctrl+O)\n"
               "Setup > RS232 (Ctrl+R) to choose the serial port\n\n") +
           portLine;
}

EmptyFrameHint::EmptyFrameHint(QWidget* area) : QLabel(area) {
    setObjectName(QStringLiteral("EmptyFrameHint"));
    setAlignment(Qt::AlignCenter);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    // The area's background shows through; the text takes the light shade of the same palette,
    // which stands out on the area's dark one whatever the style.
    setAutoFillBackground(false);
    setForegroundRole(QPalette::Light);
    setText(EmptyFrameHintText(QString()));
    area->installEventFilter(this);
    centre();
}

void EmptyFrameHint::setPortLine(const QString& portLine) {
    setText(EmptyFrameHintText(portLine));
    centre();
}

bool EmptyFrameHint::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Resize) {
        centre();
    }
    return QLabel::eventFilter(watched, event);
}

void EmptyFrameHint::centre() {
    const QWidget* area = parentWidget();
    QRect place(QPoint(0, 0), sizeHint());
    place.moveCenter(area->rect().center());
    setGeometry(place);
}

}  // namespace k4
