// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/devicetable.h"
#include "link/exchangeeffects.h"
#include "link/linecapture.h"
#include "port/serialio.h"

#include <cstdint>

namespace k4 {

// How an exchange ended: with a reply of either size, with a failure, without a device of that
// address to send to, or cut short by the link's stop (which blames no device).
enum class ExchangeResult { Replied, Failed, NoDevice, Stopped };

// One request to the device at address and its reply: the device's display cells, its two
// latches and the picture of its tree node follow the reply. Runs on the link thread only. When
// no record in 0..LastIndex carries that address nothing is sent; an address beyond 127 is never
// sent and the exchange fails. A key of 0 is a poll. Every exchange that reaches the line (or was
// meant to) goes into capture when one is given, whatever its effects.
ExchangeResult Exchange(DeviceTable& table, SerialIo& port, std::uint8_t address, std::uint8_t key,
                        ExchangeEffects& effects, LineCapture* capture = nullptr);

}  // namespace k4
