#pragma once

// An ExchangeEffects that writes down every effect as a short line, in order, from any thread.
#include "exchangeeffects.h"

#include <QString>
#include <QStringList>

#include <mutex>

namespace k4test {

class RecordingEffects final : public k4::ExchangeEffects {
public:
    void writeCells(k4::PanelHandle panel, const k4::DisplayCells& cells,
                    std::uint8_t highlightMask) override {
        std::lock_guard lock(mutex_);
        lines_ << QStringLiteral("cells %1 %2").arg(panel).arg(highlightMask, 2, 16, QChar('0'));
        lastCells_ = cells;
    }
    void showCommError(k4::PanelHandle panel) override {
        add(QStringLiteral("commError %1").arg(panel));
    }
    void repaintPanel(k4::PanelHandle panel) override {
        add(QStringLiteral("repaint %1").arg(panel));
    }
    void showPanel(k4::PanelHandle panel) override { add(QStringLiteral("show %1").arg(panel)); }
    void setNodeImage(k4::NodeHandle node, int image) override {
        add(QStringLiteral("image %1 %2").arg(node).arg(image));
    }
    void repaintTree() override { add(QStringLiteral("tree")); }
    void beep() override { add(QStringLiteral("beep")); }

    QStringList lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    // The lines so far, and forget them.
    QStringList take() {
        std::lock_guard lock(mutex_);
        QStringList out;
        out.swap(lines_);
        return out;
    }
    int count(const QString& line) const {
        std::lock_guard lock(mutex_);
        return static_cast<int>(lines_.count(line));
    }
    k4::DisplayCells lastCells() const {
        std::lock_guard lock(mutex_);
        return lastCells_;
    }

private:
    void add(const QString& line) {
        std::lock_guard lock(mutex_);
        lines_ << line;
    }

    mutable std::mutex mutex_;
    QStringList lines_;
    k4::DisplayCells lastCells_{};
};

}  // namespace k4test
