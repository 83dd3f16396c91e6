// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: any bytes as a device table and a line's replies to a session of exchanges.
#include "exchangefuzzentry.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    k4fuzz::CheckExchangeInput(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    return 0;
}
