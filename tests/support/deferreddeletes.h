// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Windows that close themselves are deleted later, by the event loop; widget tests that look at
// what is left run those deletions at once.
#include <QCoreApplication>
#include <QEvent>

namespace k4test {

inline void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace k4test
