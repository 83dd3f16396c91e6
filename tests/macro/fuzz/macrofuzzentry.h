// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

namespace k4fuzz {

// Takes one input as the text of a macro's key field and of its device marks (the first byte
// says how the rest reads as text: UTF-8, or UTF-16 code units as they come) and checks what must
// hold for any text: every step is a panel key or a pause within bounds, the steps written back
// as text read as the same steps, the case of ASCII letters changes nothing; the marks written as
// the workspace keeps them read back as the same marks. A broken rule aborts with a message.
// Shared by the libFuzzer target and the corpus replay test.
void CheckMacroInput(const QByteArray& input);

}  // namespace k4fuzz
