// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A workspace file's text as an operator's program would have written it, for tests that start
// the program on a workspace.
#include <QByteArray>
#include <QList>
#include <QPair>

namespace k4test {

// Devices are (ID, name) pairs; each gets its own panel place, green on black, no skin.
inline QByteArray WorkspaceText(const QByteArray& name,
                                const QList<QPair<int, QByteArray>>& devices, int readOnly = 0) {
    QByteArray text = "[Global]\r\nDevices=" + QByteArray::number(devices.size()) +
                      "\r\nName=" + name +
                      "\r\nManTop=0\r\nManLeft=0\r\nManWidth=178\r\nManHeight=383\r\n"
                      "WindowState=0\r\nReadOnly=" +
                      QByteArray::number(readOnly) + "\r\n";
    for (int i = 0; i < devices.size(); ++i) {
        text += "[Dev" + QByteArray::number(i) + "]\r\nDeviceName=" + devices[i].second +
                "\r\nflags=1\r\nDevID=" + QByteArray::number(devices[i].first) +
                "\r\nLeft=" + QByteArray::number(190 + 24 * i) +
                "\r\nTop=" + QByteArray::number(24 * i) +
                "\r\nLCDColor=65280\r\nLCDBackColor=0\r\nSkin=\r\n";
    }
    return text;
}

}  // namespace k4test
