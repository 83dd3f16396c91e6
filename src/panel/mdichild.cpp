// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/mdichild.h"

#include "panel/colorvalues.h"
#include "panel/displaycells.h"
#include "panel/panelkeyboard.h"
#include "panel/panelskin.h"
#include "panel/skinselector.h"
#include "state/appstate.h"
#include "state/formfont.h"
#include "state/recordoperator.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QPushButton>

namespace k4 {
namespace {

// The click handlers of Button1 .. Button18.
constexpr void (TMDIChild::*kKeyClicks[kPanelKeyCount])() = {
    &TMDIChild::Button1Click,  &TMDIChild::Button2Click,  &TMDIChild::Button3Click,
    &TMDIChild::Button4Click,  &TMDIChild::Button5Click,  &TMDIChild::Button6Click,
    &TMDIChild::Button7Click,  &TMDIChild::Button8Click,  &TMDIChild::Button9Click,
    &TMDIChild::Button10Click, &TMDIChild::Button11Click, &TMDIChild::Button12Click,
    &TMDIChild::Button13Click, &TMDIChild::Button14Click, &TMDIChild::Button15Click,
    &TMDIChild::Button16Click, &TMDIChild::Button17Click, &TMDIChild::Button18Click,
};

// Title bar with the minimise button only: no system menu, no close box, no maximise; the
// fixed-size hint keeps the frame from offering to be dragged to another size.
constexpr Qt::WindowFlags kPanelFrameFlags = Qt::SubWindow | Qt::CustomizeWindowHint |
                                             Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint |
                                             Qt::MSWindowsFixedSizeDialogHint;

}  // namespace

TMDIChild* TMDIChild::Create(QMdiArea* area, std::optional<QPoint> place, const QString& caption) {
    auto* panel = new TMDIChild;
    auto* sub = new QMdiSubWindow;
    // The frame elides its caption afresh at nearly every step of joining the area and of being
    // shown, on a window of no size yet; shaping the text made most of a panel's cost. It takes
    // the caption once it stands, and an empty one costs nothing to elide.
    const QString title = caption.isEmpty() ? panel->windowTitle() : caption;
    panel->setWindowTitle(QString());
    // Without a system menu there is no Close item (nor its Ctrl+F4 shortcut).
    sub->setSystemMenu(nullptr);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    panel->subWindow_ = sub;
    // The frame holds the focus when no key button does.
    panel->Keyboard->watch(sub);
    if (place) {
        // A shown area looks for room for every window it takes, trying spots along the edges of
        // every window it holds against all of them: loading a full workspace that way costs
        // seconds. A window without a size needs no room, and this one has its place already.
        sub->resize(0, 0);
        // A frame that holds its widget when it joins the area resets the main window's
        // modified mark, and with it the main window's title on the window system: one round
        // of window-system requests per panel. An empty frame joins without that.
        area->addSubWindow(sub, kPanelFrameFlags);
        sub->setWidget(panel);
    } else {
        // The area finds room for a new window by its size, so it joins with its widget.
        sub->setWidget(panel);
        area->addSubWindow(sub, kPanelFrameFlags);
    }
    // setWindowFlags adds the system-menu hint whenever a title-bar button is asked for, and the
    // styles draw a close box for that hint; the frame is drawn by the area, not the window
    // system, so setting the flags as they are is all it takes.
    sub->overrideWindowFlags(kPanelFrameFlags);
    // The frame hugs the fixed client: tiling, cascading or a stray resize cannot stretch it
    // (minimising still shrinks it to its title bar).
    sub->setFixedSize(sub->sizeHint());
    QObject::connect(sub, &QMdiSubWindow::aboutToActivate, panel, &TMDIChild::FormActivate);
    if (place) {
        sub->move(*place);
        // A window shown while disabled is not activated: a loaded workspace does not hand the
        // activation, the focus and the title-bar repaints from panel to panel; the loader
        // activates the last one once all stand. Only the frame's own flag is set: setEnabled
        // would disable and enable again every control in it, for nothing they show.
        sub->setAttribute(Qt::WA_Disabled);
        sub->show();
        sub->setAttribute(Qt::WA_Disabled, false);
        panel->setCaption(title);
    } else {
        // The area activates a new window as it shows it, and its title bar is drawn with the
        // caption from the start.
        panel->setCaption(title);
        sub->show();
    }
    return panel;
}

TMDIChild::TMDIChild(QWidget* parent) : QWidget(parent), handle_(NewViewHandle()) {
    setObjectName(QStringLiteral("MDIChild"));
    setWindowTitle(QStringLiteral("ID=? New transcoder"));
    setFixedSize(kPanelClientWidth, kPanelClientHeight);
    setFont(FormFont());
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);

    static_cast<PanelFace&>(*this) =
        BuildPanelFace(this, QRect(0, 0, kPanelClientWidth, kPanelClientHeight));
    // The LED shows the inactive window-border colour; Qt's palette has no such role, and its
    // inactive light grey stands in for it.
    Diod->setFill(palette().color(QPalette::Inactive, QPalette::Midlight));
    StringGrid1->setDrawCell([this](QPainter& painter, int column, int row, const QRect& cell) {
        StringGrid1DrawCell(painter, column, row, cell);
    });

    connectKeys();
    Keyboard = new PanelKeyboard(Buttons, this);
    Keyboard->watch(this);
    buildContextMenu();

    App().Views.addPanel(handle_, this);
    registered_ = true;
}

TMDIChild::~TMDIChild() {
    unregisterView();
}

void TMDIChild::connectKeys() {
    for (int i = 0; i < kPanelKeyCount; ++i) {
        connect(Buttons[static_cast<std::size_t>(i)], &QPushButton::clicked, this, kKeyClicks[i]);
    }
}

void TMDIChild::buildContextMenu() {
    ChangeSkin = new QAction(QStringLiteral("Change skin and colors"), this);
    ChangeSkin->setObjectName(QStringLiteral("ChangeSkin"));
    connect(ChangeSkin, &QAction::triggered, this, &TMDIChild::MainFormChangeSkinClick);
    for (QWidget* owner : {static_cast<QWidget*>(this), static_cast<QWidget*>(Skin)}) {
        owner->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(owner, &QWidget::customContextMenuRequested, this,
                [this, owner](const QPoint& pos) {
                    if (PopupMenu1 == nullptr) {
                        PopupMenu1 = new QMenu(this);
                        PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
                        PopupMenu1->addAction(ChangeSkin);
                    }
                    PopupMenu1->popup(owner->mapToGlobal(pos));
                });
    }
}

void TMDIChild::unregisterView() {
    if (registered_) {
        App().Views.removePanel(handle_);
        registered_ = false;
    }
}

void TMDIChild::SendKey(std::uint8_t key) {
    App().Link.QueueCommand(DevAddress, key);
    RecordOperator(HistoryKind::KeySent, PanelKeyLabel(key), DevAddress);
}

void TMDIChild::ShowCommError() {
    WriteCommError(LCDBuffer);
}

void TMDIChild::StringGrid1DrawCell(QPainter& painter, int column, int row, const QRect& cell) {
    const CellLook look =
        LookOfCell(LCDBuffer[CellIndex(column, row)], DisplayColor(LCDColor, palette()),
                   DisplayColor(LCDBackColor, palette()));
    DrawDisplayCell(painter, cell, look);
}

void TMDIChild::FormPaint() {
    StringGrid1->update();
}

void TMDIChild::paintEvent(QPaintEvent* /*event*/) {
    FormPaint();
}

void TMDIChild::FormClose() {
    // Nothing the link still delivers may reach a panel that is going.
    unregisterView();
    if (subWindow_) {
        subWindow_->setAttribute(Qt::WA_DeleteOnClose);
    } else {
        setAttribute(Qt::WA_DeleteOnClose);
    }
}

void TMDIChild::closeEvent(QCloseEvent* event) {
    if (!closing_) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TMDIChild::sizeToControls() {
    // The controls lie from the client's corner on; the client ends where the furthest one does,
    // shown or not (the skin image, hidden until a skin is loaded, spans the design size).
    QRect controls;
    for (const QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        controls |= control->geometry();
    }
    setFixedSize(controls.right() + 1, controls.bottom() + 1);
    if (subWindow_) {
        subWindow_->setFixedSize(subWindow_->sizeHint());
    }
}

void TMDIChild::closePanel() {
    closing_ = true;
    if (subWindow_) {
        subWindow_->close();
        // The frame goes with the next turn of the event loop: the layout request that hiding
        // its panel posted would only work out its title bar once more, eliding the caption a
        // dozen times.
        QCoreApplication::removePostedEvents(subWindow_, QEvent::LayoutRequest);
    } else {
        close();
    }
}

void TMDIChild::closeWithWorkspace() {
    if (!subWindow_) {
        closePanel();
        return;
    }
    closing_ = true;
    unregisterView();
    // Not painted again; its deletion has the area repaint its place, once.
    subWindow_->setUpdatesEnabled(false);
    // A frame works out its title bar, eliding its caption, at every step of its deletion (as
    // its widget goes, as it leaves the area); an empty caption costs nothing to elide.
    subWindow_->setWindowTitle(QString());
    // A frame deleted while it still holds its widget resets the main window's modified mark,
    // which on X rewrites the main window's title: the widget goes first.
    deleteLater();
    subWindow_->deleteLater();
}

void TMDIChild::frameSettled() {
    if (subWindow_) {
        QCoreApplication::removePostedEvents(subWindow_, QEvent::LayoutRequest);
    }
}

void TMDIChild::MainFormChangeSkinClick() {
    ChangeSkinAndColors(*this, SkinSelector());
}

void TMDIChild::setCaption(const QString& caption) {
    setWindowTitle(caption);
    if (subWindow_) {
        subWindow_->setWindowTitle(caption);
    }
}

QString TMDIChild::caption() const {
    return subWindow_ ? subWindow_->windowTitle() : windowTitle();
}

int TMDIChild::left() const {
    return subWindow_ ? subWindow_->x() : x();
}

int TMDIChild::top() const {
    return subWindow_ ? subWindow_->y() : y();
}

void TMDIChild::moveTo(int left, int top) {
    if (subWindow_) {
        subWindow_->move(left, top);
    } else {
        move(left, top);
    }
}

QMdiSubWindow* TMDIChild::subWindow() const {
    return subWindow_;
}

void TMDIChild::writeCells(const DisplayCells& cells, std::uint8_t highlightMask) {
    WriteCells(LCDBuffer, cells, highlightMask);
}

void TMDIChild::showCommError() {
    ShowCommError();
}

void TMDIChild::repaintDisplay() {
    StringGrid1->update();
}

void TMDIChild::showAndRaise() {
    QWidget* frame = subWindow_ ? static_cast<QWidget*>(subWindow_.data()) : this;
    frame->show();
    frame->raise();
}

}  // namespace k4
