#include "panel/mdichild.h"

#include "panel/displaycells.h"
#include "panel/displayfont.h"
#include "panel/panelkeyboard.h"
#include "panel/panelparts.h"
#include "state/appstate.h"
#include "state/formfont.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QPushButton>

namespace k4 {
namespace {

struct KeySpec {
    const char* caption;
    int left;
    int top;
    void (TMDIChild::*click)();
};

// Button1 .. Button18 in tab order.
constexpr KeySpec kKeys[kPanelKeyCount] = {
    {"1", 104, 104, &TMDIChild::Button1Click},   {"2", 128, 104, &TMDIChild::Button2Click},
    {"3", 152, 104, &TMDIChild::Button3Click},   {"4", 176, 104, &TMDIChild::Button4Click},
    {"5", 200, 104, &TMDIChild::Button5Click},   {"6", 224, 104, &TMDIChild::Button6Click},
    {"7", 248, 104, &TMDIChild::Button7Click},   {"8", 272, 104, &TMDIChild::Button8Click},
    {"9", 104, 136, &TMDIChild::Button9Click},   {"10", 128, 136, &TMDIChild::Button10Click},
    {"11", 152, 136, &TMDIChild::Button11Click}, {"12", 176, 136, &TMDIChild::Button12Click},
    {"13", 200, 136, &TMDIChild::Button13Click}, {"14", 224, 136, &TMDIChild::Button14Click},
    {"15", 248, 136, &TMDIChild::Button15Click}, {"16", 272, 136, &TMDIChild::Button16Click},
    {"T", 16, 104, &TMDIChild::Button17Click},   {"S", 64, 104, &TMDIChild::Button18Click},
};
constexpr int kKeySize = 17;

// Title bar with the minimise button only: no system menu, no close box, no maximise; the
// fixed-size hint keeps the frame from offering to be dragged to another size.
constexpr Qt::WindowFlags kPanelFrameFlags = Qt::SubWindow | Qt::CustomizeWindowHint |
                                             Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint |
                                             Qt::MSWindowsFixedSizeDialogHint;

constexpr QPoint kGridPos{0, 24};
constexpr QSize kGridSize{293, 49};
constexpr QRect kLedRect{0, 104, 9, 9};

QFont BoldFont(int pixelHeight) {
    QFont font = FormFont();
    font.setPixelSize(pixelHeight);
    font.setBold(true);
    return font;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QPoint pos) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(pos);
    label->adjustSize();  // labels size themselves to their text
    return label;
}

}  // namespace

TMDIChild* TMDIChild::Create(QMdiArea* area) {
    auto* panel = new TMDIChild;
    auto* sub = new QMdiSubWindow;
    // Without a system menu there is no Close item (nor its Ctrl+F4 shortcut).
    sub->setSystemMenu(nullptr);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWidget(panel);
    sub->setWindowTitle(panel->windowTitle());
    panel->subWindow_ = sub;
    // The frame holds the focus when no key button does.
    panel->Keyboard->watch(sub);
    area->addSubWindow(sub, kPanelFrameFlags);
    // setWindowFlags adds the system-menu hint whenever a title-bar button is asked for, and the
    // styles draw a close box for that hint; the frame is drawn by the area, not the window
    // system, so setting the flags as they are is all it takes.
    sub->overrideWindowFlags(kPanelFrameFlags);
    // The frame hugs the fixed client: tiling, cascading or a stray resize cannot stretch it
    // (minimising still shrinks it to its title bar).
    sub->setFixedSize(sub->sizeHint());
    QObject::connect(sub, &QMdiSubWindow::aboutToActivate, panel, &TMDIChild::FormActivate);
    sub->show();
    return panel;
}

TMDIChild::TMDIChild(QWidget* parent) : QWidget(parent), handle_(NewViewHandle()) {
    setObjectName(QStringLiteral("MDIChild"));
    setWindowTitle(QStringLiteral("ID=? New transcoder"));
    setFixedSize(kPanelClientWidth, kPanelClientHeight);
    setFont(FormFont());
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);

    // Creation order is stacking order: the labels and the LED lie under the skin image, the
    // display and the keys above it.
    buildLabels();
    Diod = new LedShape(this);
    Diod->setObjectName(QStringLiteral("Diod"));
    Diod->setGeometry(kLedRect);
    // The LED shows the inactive window-border colour; Qt's palette has no such role, and its
    // inactive light grey stands in for it.
    Diod->setFill(palette().color(QPalette::Inactive, QPalette::Midlight));

    Skin = new QLabel(this);
    Skin->setObjectName(QStringLiteral("Skin"));
    Skin->setGeometry(0, 0, kPanelClientWidth, kPanelClientHeight);
    Skin->setAlignment(Qt::AlignLeft | Qt::AlignTop);  // natural size from the corner
    Skin->setScaledContents(false);

    StringGrid1 = new DisplayGrid(this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setGeometry(QRect(kGridPos, kGridSize));
    StringGrid1->setEnabled(false);
    StringGrid1->setDrawCell([this](QPainter& painter, int column, int row, const QRect& cell) {
        StringGrid1DrawCell(painter, column, row, cell);
    });

    buildKeys();
    Keyboard = new PanelKeyboard(Buttons, this);
    Keyboard->watch(this);
    buildContextMenu();

    App().Views.addPanel(handle_, this);
    registered_ = true;
}

TMDIChild::~TMDIChild() {
    unregisterView();
}

void TMDIChild::buildLabels() {
    Label1 = MakeLabel(this, "Label1", QStringLiteral("<<"), {104, 120});
    Label2 = MakeLabel(this, "Label2", QStringLiteral(">>"), {128, 120});
    Label3 = MakeLabel(this, "Label3", QStringLiteral("+"), {178, 119});
    Label3->setFont(BoldFont(16));
    Label3->adjustSize();
    Label4 = MakeLabel(this, "Label4", QStringLiteral("-"), {157, 114});
    Label4->setFont(BoldFont(19));
    Label4->adjustSize();
}

void TMDIChild::buildKeys() {
    for (int i = 0; i < kPanelKeyCount; ++i) {
        const KeySpec& key = kKeys[i];
        auto* button = new QPushButton(QString::fromLatin1(key.caption), this);
        button->setObjectName(QStringLiteral("Button%1").arg(i + 1));
        button->setGeometry(key.left, key.top, kKeySize, kKeySize);
        connect(button, &QPushButton::clicked, this, key.click);
        Buttons[i] = button;
        if (i > 0) {
            setTabOrder(Buttons[i - 1], button);
        }
    }
}

void TMDIChild::buildContextMenu() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    ChangeSkin = PopupMenu1->addAction(QStringLiteral("Change skin and colors"));
    ChangeSkin->setObjectName(QStringLiteral("ChangeSkin"));
    connect(ChangeSkin, &QAction::triggered, this, &TMDIChild::MainFormChangeSkinClick);
    for (QWidget* owner : {static_cast<QWidget*>(this), static_cast<QWidget*>(Skin)}) {
        owner->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(owner, &QWidget::customContextMenuRequested, this,
                [this, owner](const QPoint& pos) { PopupMenu1->popup(owner->mapToGlobal(pos)); });
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
}

void TMDIChild::ShowCommError() {
    WriteCommError(LCDBuffer);
}

void TMDIChild::StringGrid1DrawCell(QPainter& painter, int column, int row, const QRect& cell) {
    const CellLook look = LookOfCell(LCDBuffer[CellIndex(column, row)], LCDColor, LCDBackColor);
    painter.save();
    painter.setClipRect(cell, Qt::IntersectClip);
    painter.fillRect(cell, look.background);
    if (look.drawsGlyph) {
        painter.setFont(DisplayFont());
        painter.setPen(look.text);
        const QFontMetrics metrics = painter.fontMetrics();
        const QString text(QChar(look.code));
        const QPoint origin = GlyphOrigin(cell, metrics.horizontalAdvance(text), metrics.height());
        painter.drawText(origin.x(), origin.y() + metrics.ascent(), text);
    }
    painter.restore();
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

void TMDIChild::closePanel() {
    closing_ = true;
    if (subWindow_) {
        subWindow_->close();
    } else {
        close();
    }
}

void TMDIChild::MainFormChangeSkinClick() {
    // The skin dialog is not part of this window yet; the command changes nothing for now.
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
