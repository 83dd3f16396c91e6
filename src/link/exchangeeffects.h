// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/devicetable.h"
#include "link/commandring.h"
#include "link/linestate.h"
#include "link/linkevent.h"

#include <array>
#include <cstdint>

namespace k4 {

inline constexpr int kDisplayCells = 48;
using DisplayCells = std::array<std::uint8_t, kDisplayCells>;

// Node pictures of the manager tree.
enum StateIcon : int {
    kIconNormal = 0,
    kIconWorkspace = 1,
    kIconCommError = 2,
    kIconAttention = 3
};

// What an exchange does to a device's views. The link thread calls these in the order the
// exchange rules give; the GUI implements them (through LinkUpdateQueue, which carries them over
// to the GUI thread in order). A handle of kNoHandle, or one whose window is gone, is ignored.
class ExchangeEffects {
public:
    virtual ~ExchangeEffects() = default;
    // The panel's display buffer takes the 48 cells, each ORed with highlightMask.
    virtual void writeCells(PanelHandle panel, const DisplayCells& cells,
                            std::uint8_t highlightMask) = 0;
    // The panel's display buffer takes the communication-error text (no repaint).
    virtual void showCommError(PanelHandle panel) = 0;
    virtual void repaintPanel(PanelHandle panel) = 0;
    // Make the panel visible and bring it to the front.
    virtual void showPanel(PanelHandle panel) = 0;
    // Image and selected image together.
    virtual void setNodeImage(NodeHandle node, int image) = 0;
    virtual void repaintTree() = 0;
    virtual void beep() = 0;
    // The line itself changed state (opened, lost, reopened, closed); not tied to any device.
    virtual void lineStateChanged(const LineState& /*state*/) {}
    // The exchange of a key command from the ring has ended, after its other effects; failed when
    // no usable reply came or no device of that address was there to send it to. owner is who
    // queued it (a macro run knows its own keys from an operator's click of the same key). Polls
    // do not report here.
    virtual void keyExchanged(std::uint8_t /*address*/, std::uint8_t /*key*/, bool /*failed*/,
                              CommandOwner /*owner*/) {}
    // A turn in the line's or a device's standing, after the view effects that go with it.
    virtual void linkEvent(const LinkEvent& /*event*/) {}
};

// Where exchanges go when nobody asked for their effects: nowhere. A listener that wants only the
// line's and the devices' events derives from it.
class NoEffects : public ExchangeEffects {
public:
    void writeCells(PanelHandle, const DisplayCells&, std::uint8_t) override {}
    void showCommError(PanelHandle) override {}
    void repaintPanel(PanelHandle) override {}
    void showPanel(PanelHandle) override {}
    void setNodeImage(NodeHandle, int) override {}
    void repaintTree() override {}
    void beep() override {}
};

}  // namespace k4
