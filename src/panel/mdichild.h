#pragma once

#include "devicetable.h"
#include "viewregistry.h"

#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>

class QMdiArea;
class QMdiSubWindow;

namespace k4 {

// The window of one device, drawn like its front panel: the two-line display, the LED, four key
// labels and 18 keys. The link's effects reach it through the view registry by its handle.
class TMDIChild : public QWidget, public PanelView {
    Q_OBJECT
public:
    // Builds a panel as a new sub-window of area, visible, captioned "ID=? New transcoder".
    static TMDIChild* Create(QMdiArea* area);

    explicit TMDIChild(QWidget* parent = nullptr);
    ~TMDIChild() override;

    PanelHandle handle() const { return handle_; }

    std::array<std::uint8_t, 48> LCDBuffer{};
    std::uint8_t DevAddress = 0;
    QString SkinFile;
    std::uint32_t LCDColor = 0;      // 0x00BBGGRR
    std::uint32_t LCDBackColor = 0;  // 0x00BBGGRR

    void SendKey(std::uint8_t key);
    void ShowCommError();

    void setCaption(const QString& caption);
    QString caption() const;
    // Position in the main window's client area (of the sub-window that frames the panel).
    int left() const;
    int top() const;
    void moveTo(int left, int top);
    // Closes the panel; it frees itself.
    void closePanel();
    QMdiSubWindow* subWindow() const;

    // PanelView
    void writeCells(const DisplayCells& cells, std::uint8_t highlightMask) override;
    void showCommError() override;
    void repaintDisplay() override;
    void showAndRaise() override;

private:
    PanelHandle handle_;
};

}  // namespace k4
