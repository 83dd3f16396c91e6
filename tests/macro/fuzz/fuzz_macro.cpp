// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: any bytes as the text of a macro's keys and of its device marks.
#include "macrofuzzentry.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    k4fuzz::CheckMacroInput(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    return 0;
}
