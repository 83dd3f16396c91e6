// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>

#include <cstdint>

namespace k4 {

// A drop-down list of named colours, each shown with its swatch. Its value is a colour value
// (0x00BBGGRR or a system colour). A value that has no name is offered as one more entry,
// "Custom", with its own swatch, so that it comes back out exactly as it went in.
class ColorBox final : public QComboBox {
    Q_OBJECT
public:
    explicit ColorBox(QWidget* parent = nullptr);

    // Selects value, adding or updating the "Custom" entry when no named colour has it (and
    // dropping a "Custom" entry that is no longer needed). Emits no change signal.
    void setValue(std::uint32_t value);
    // The selected entry's value.
    std::uint32_t value() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void addEntry(const QString& name, std::uint32_t value);
    int customIndex() const;
    void refreshSwatches();
};

}  // namespace k4
