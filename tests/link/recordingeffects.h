// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// An ExchangeEffects that writes down every effect as a short line, in order, from any thread.
#include "displaytext.h"
#include "link/exchangeeffects.h"

#include <QString>
#include <QStringList>

#include <map>
#include <mutex>
#include <vector>

namespace k4test {

class RecordingEffects final : public k4::ExchangeEffects {
public:
    void writeCells(k4::PanelHandle panel, const k4::DisplayCells& cells,
                    std::uint8_t highlightMask) override {
        std::lock_guard lock(mutex_);
        lines_ << QStringLiteral("cells %1 %2").arg(panel).arg(highlightMask, 2, 16, QChar('0'));
        lastCells_ = cells;
        cellsByPanel_[panel] = cells;
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
    // Kept apart from the effect lines, which stay the same whether a key or a poll was sent.
    void keyExchanged(std::uint8_t address, std::uint8_t key, bool failed,
                      k4::CommandOwner /*owner*/) override {
        std::lock_guard lock(mutex_);
        keysEnded_
            << QStringLiteral("key %1 %2%3").arg(address).arg(key).arg(failed ? " failed" : "");
    }
    // Kept apart too: "failing 5 #1", "back 5 #1 after 3", "attention 5", "cleared 5", "line 3".
    void linkEvent(const k4::LinkEvent& e) override {
        using K = k4::LinkEvent::Kind;
        std::lock_guard lock(mutex_);
        switch (e.kind) {
            case K::DeviceFailing:
                events_ << QStringLiteral("failing %1 #%2").arg(e.address).arg(e.episode);
                break;
            case K::DeviceBack:
                events_ << QStringLiteral("back %1 #%2 after %3")
                               .arg(e.address)
                               .arg(e.episode)
                               .arg(e.failures);
                break;
            case K::AttentionRaised:
                events_ << QStringLiteral("attention %1").arg(e.address);
                break;
            case K::AttentionCleared:
                events_ << QStringLiteral("cleared %1").arg(e.address);
                break;
            default:
                events_ << QStringLiteral("line %1").arg(static_cast<int>(e.kind));
                break;
        }
    }
    QStringList events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    QStringList keysEnded() const {
        std::lock_guard lock(mutex_);
        return keysEnded_;
    }
    // Kept apart from the effect lines: a link reports its line on every start and stop.
    void lineStateChanged(const k4::LineState& state) override {
        std::lock_guard lock(mutex_);
        lineStates_.push_back(state.condition);
        lineTexts_ << k4::LineStateText(state);
        lastLineState_ = state;
    }
    // The status line's texts, one for each line state.
    QStringList lineTexts() const {
        std::lock_guard lock(mutex_);
        return lineTexts_;
    }
    std::vector<k4::LineCondition> lineStates() const {
        std::lock_guard lock(mutex_);
        return lineStates_;
    }
    k4::LineState lastLineState() const {
        std::lock_guard lock(mutex_);
        return lastLineState_;
    }

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
    // The text of one display row (top bits dropped) as last written to panel.
    QString row(k4::PanelHandle panel, int r) const {
        std::lock_guard lock(mutex_);
        const auto it = cellsByPanel_.find(panel);
        return it == cellsByPanel_.end() ? QString()
                                         : QString::fromLatin1(DisplayRowText(it->second, r));
    }

private:
    void add(const QString& line) {
        std::lock_guard lock(mutex_);
        lines_ << line;
    }

    mutable std::mutex mutex_;
    QStringList lines_;
    QStringList keysEnded_;
    QStringList events_;
    k4::DisplayCells lastCells_{};
    std::map<k4::PanelHandle, k4::DisplayCells> cellsByPanel_;
    std::vector<k4::LineCondition> lineStates_;
    QStringList lineTexts_;
    k4::LineState lastLineState_;
};

}  // namespace k4test
