// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

namespace k4fuzz {

// Feeds one input as the bytes a terminal server sends through the Telnet side of a network line:
// whole, a byte at a time and cut in two, and checks that every way gives the same
// data, answers and line settings; that the answers are whole commands that stop once the far end
// agrees with them; and that data escaped on the way out comes back unchanged. The first byte
// says whether the console's opening went out first. A broken rule aborts with a message. Shared
// by the libFuzzer target and the corpus replay test.
void CheckTelnetInput(const QByteArray& input);

}  // namespace k4fuzz
