// SPDX-License-Identifier: GPL-3.0-or-later
#include "macro/twmacro.h"

#include "core/devicetable.h"
#include "core/textlimit.h"
#include "macro/macrogrid.h"
#include "macro/macrokeys.h"
#include "macro/programmacros.h"
#include "macro/toolframestyle.h"
#include "state/appstate.h"
#include "state/dialogs.h"
#include "state/formfont.h"
#include "state/typedbytelimit.h"

#include <QAction>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QPushButton>

#include <limits>
#include <map>

namespace k4 {

namespace {

constexpr int kCellSize = 16;
constexpr QRect kMViewRect{8, 8, 209, 209};
constexpr QRect kMEditRect{224, 8, 233, 177};
constexpr QRect kMKeysRect{224, 192, 233, 21};
constexpr QRect kMSaveRect{224, 220, 75, 25};
constexpr QRect kMRunRect{304, 220, 75, 25};
constexpr QRect kMCancelRect{384, 220, 73, 25};
constexpr QSize kDesignedClient{463, 383};
constexpr int kFixedColumnWidth = 16;
constexpr int kDeviceColumnWidths[] = {23, 152, 31};
constexpr int kProfileColumn = 2;
constexpr int kTextInset = 3;

constexpr Qt::WindowFlags kMacroFrameFlags = Qt::SubWindow | Qt::CustomizeWindowHint |
                                             Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                             Qt::WindowCloseButtonHint;

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, QRect place) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(place);
    return button;
}

std::vector<std::uint8_t> DeviceIds(const DeviceTable* table) {
    std::vector<std::uint8_t> ids;
    for (int k = 0; table != nullptr && k <= table->lastIndex(); ++k) {
        ids.push_back((*table)[k].DevID.load(std::memory_order_relaxed));
    }
    return ids;
}

void DrawCellText(QPainter& painter, const QRect& cell, const QPoint& at, const QString& text) {
    painter.setClipRect(cell, Qt::IntersectClip);
    painter.drawText(QRect(at, cell.bottomRight()),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

}  // namespace

TWMacro* TWMacro::Create(QMdiArea& area, const DeviceTable* table, QAction* menuItem) {
    auto* window = new TWMacro(table, menuItem);
    auto* sub = new QMdiSubWindow;
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setStyle(new ToolFrameStyle(sub));
    sub->setWidget(window);
    sub->setWindowTitle(window->windowTitle());
    window->subWindow_ = sub;
    area.addSubWindow(sub, kMacroFrameFlags);
    sub->overrideWindowFlags(kMacroFrameFlags);
    // Ctrl+F4 runs macro 4 from the Setup menu; the system menu's Close keeps its item and its
    // other keys, so the key is not claimed twice (which would leave it doing nothing at all).
    if (QMenu* system = sub->systemMenu()) {
        const QKeySequence runFourth(Qt::CTRL | Qt::Key_F4);
        for (QAction* item : system->actions()) {
            QList<QKeySequence> keys = item->shortcuts();
            if (keys.removeAll(runFourth) > 0) {
                item->setShortcuts(keys);
            }
        }
    }
    App().WMacro = window;
    window->setAutoSize(true);
    sub->show();
    return window;
}

TWMacro::TWMacro(const DeviceTable* table, QAction* menuItem, QWidget* parent)
    : QWidget(parent),
      devices_(SnapshotDeviceList(table)),
      deviceIds_(DeviceIds(table)),
      menuItem_(menuItem) {
    setObjectName(QStringLiteral("WMacro"));
    setWindowTitle(QStringLiteral("WMacro"));
    setFont(FormFont());
    setFixedSize(kDesignedClient);

    MView = new MacroGrid(kMacroCount, 2, this);
    MView->setObjectName(QStringLiteral("MView"));
    MView->setGeometry(kMViewRect);
    auto* nameCells = new CellDelegate(
        [this](QPainter& p, int c, int r, const QRect& cell) { MViewDrawCell(p, c, r, cell); }, 0,
        MView);
    nameCells->setEditorFactory([this](QWidget* host, const QModelIndex& index) {
        return makeNameEditor(host, index.row());
    });
    MView->setItemDelegate(nameCells);
    connect(nameCells, &QAbstractItemDelegate::closeEditor, this,
            [this](QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
                nameEditorClosed(editor, hint == QAbstractItemDelegate::RevertModelCache);
            });
    connect(MView, &QTableWidget::currentCellChanged, this,
            [this](int row, int /*column*/, int, int) { MViewSelectCell(row); });
    connect(MView, &MacroGrid::mouseReleasedAt, this, &TWMacro::MViewMouseUp);
    connect(MView, &MacroGrid::doubleClickedAnywhere, this, &TWMacro::MViewDblClick);

    MEdit = new MacroGrid(0, 3, this);
    MEdit->setObjectName(QStringLiteral("MEdit"));
    MEdit->setGeometry(kMEditRect);
    auto* header = new HeaderRow(
        [this](QPainter& p, int c, int r, const QRect& cell) { MEditDrawCell(p, c, r, cell); },
        MEdit);
    MEdit->setHorizontalHeader(header);
    auto* deviceCells = new CellDelegate(
        [this](QPainter& p, int c, int r, const QRect& cell) { MEditDrawCell(p, c, r, cell); }, 1,
        MEdit);
    deviceCells->setEditorFactory(
        [this](QWidget* host, const QModelIndex&) { return makeProfileEditor(host); });
    MEdit->setItemDelegate(deviceCells);
    connect(header, &HeaderRow::pressed, this, [this] { MEditMouseDown(0); });
    connect(MEdit, &MacroGrid::mousePressedAt, this, [this](const QPoint& pos) {
        const int row = MEdit->rowAt(pos.y());
        MEditMouseDown(row < 0 ? -1 : row + 1);
    });
    connect(MEdit, &QTableWidget::currentCellChanged, this, [this](int row, int, int, int) {
        if (row >= 0) {
            MEditSelectCell(row + 1);
        }
    });
    connect(MEdit, &MacroGrid::doubleClickedAnywhere, this, &TWMacro::MEditDblClick);

    MKeys = new QLineEdit(this);
    MKeys->setObjectName(QStringLiteral("MKeys"));
    MKeys->setGeometry(kMKeysRect);
    // The file sets no length to a key sequence, so neither does the field: a long one loaded
    // is shown and saved whole.
    MKeys->setMaxLength(std::numeric_limits<int>::max());
    MKeys->setPlaceholderText(QLatin1String(kMacroKeysExample));
    MKeys->setToolTip(MacroKeysHelp());
    MSave = MakeButton(this, "MSave", QStringLiteral("Save"), kMSaveRect);
    MRun = MakeButton(this, "MRun", QStringLiteral("Run"), kMRunRect);
    MCancel = MakeButton(this, "MCancel", QStringLiteral("Cancel"), kMCancelRect);
    connect(MSave, &QPushButton::clicked, this, &TWMacro::MSaveClick);
    connect(MRun, &QPushButton::clicked, this, &TWMacro::MRunClick);
    connect(MCancel, &QPushButton::clicked, this, &TWMacro::MCancelClick);

    FormCreate();
}

TWMacro::~TWMacro() {
    // Whatever way the window goes, the menu's check mark goes with it.
    if (menuItem_) {
        menuItem_->setChecked(false);
    }
}

void TWMacro::FormCreate() {
    MEdit->hide();
    MKeys->hide();
    MSave->hide();
    MRun->hide();
    MCancel->hide();

    MView->setRowCellHeight(kCellSize);
    MView->setColumnCellWidth(0, kFixedColumnWidth);
    MView->setColumnCellWidth(1, MView->height() - kFixedColumnWidth - 10);
    const QStringList& names = App().MacroNames;
    for (int i = 0; i < kMacroCount; ++i) {
        // The fixed column takes neither the cursor nor an editor.
        auto* fixed = new QTableWidgetItem;
        fixed->setFlags(Qt::NoItemFlags);
        MView->setItem(i, 0, fixed);
        MView->setItem(i, 1, new QTableWidgetItem(i < names.size() ? names[i] : QString()));
    }

    MEdit->setRowCellHeight(kCellSize);
    for (int c = 0; c < 3; ++c) {
        MEdit->setColumnCellWidth(c, kDeviceColumnWidths[c]);
    }
    MEdit->horizontalHeader()->show();
    MEdit->setHorizontalHeaderLabels(
        {QStringLiteral("ID"), QStringLiteral("Name"), QStringLiteral("Profile")});
    fillDeviceRows({});

    // The cursor starts where the highlight was left, so the first key or focus does not move it.
    MView->setCurrentCell(MacroState().nameRow, 1);
    const int deviceRow = MacroState().deviceRow;
    if (deviceRow >= 1 && deviceRow <= MEdit->rowCount()) {
        MEdit->setCurrentCell(deviceRow - 1, kProfileColumn);
    }
}

void TWMacro::fillDeviceRows(const std::map<std::uint8_t, QString>& cells) {
    MEdit->setRowCount(static_cast<int>(devices_.size()));
    for (int k = 0; k < static_cast<int>(devices_.size()); ++k) {
        const DeviceListEntry& device = devices_[static_cast<std::size_t>(k)];
        // ID and name are copies for reference: editing them would change nothing anywhere.
        for (const auto& [column, text] : {std::pair{0, device.id}, std::pair{1, device.name}}) {
            auto* cell = new QTableWidgetItem(text);
            cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            MEdit->setItem(k, column, cell);
        }
        const auto typed = cells.find(deviceIds_[static_cast<std::size_t>(k)]);
        MEdit->setItem(k, kProfileColumn,
                       new QTableWidgetItem(typed == cells.end() ? QString() : typed->second));
    }
}

void TWMacro::devicesChanged(const DeviceTable* table) {
    // What the rows hold so far stays with its device, by ID; a device new to the list shows
    // the stored mark of the macro being edited.
    std::map<std::uint8_t, QString> cells;
    for (int k = 0; k < MEdit->rowCount() && k < static_cast<int>(deviceIds_.size()); ++k) {
        if (const QTableWidgetItem* cell = MEdit->item(k, kProfileColumn)) {
            cells[deviceIds_[static_cast<std::size_t>(k)]] = cell->text();
        }
    }
    if (editedMacro_ >= 0 && editedMacro_ < kMacroCount) {
        for (const auto& [id, mark] :
             App().Macros[static_cast<std::size_t>(editedMacro_)].Devices) {
            cells.try_emplace(id, mark);
        }
    }
    // A Profile cell being edited belongs to a row that may now show another device: the edit
    // ends without storing into the grid, its text kept with its device.
    const QModelIndex editing = MEdit->currentIndex();
    if (auto* editor = qobject_cast<QLineEdit*>(MEdit->indexWidget(editing))) {
        if (editing.row() < static_cast<int>(deviceIds_.size())) {
            cells[deviceIds_[static_cast<std::size_t>(editing.row())]] = editor->text();
        }
        Q_EMIT MEdit->itemDelegate()->closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
    devices_ = SnapshotDeviceList(table);
    deviceIds_ = DeviceIds(table);
    fillDeviceRows(cells);
    MEdit->viewport()->update();
}

void TWMacro::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TWMacro::FormClose() {
    if (menuItem_) {
        menuItem_->setChecked(false);
    }
    if (subWindow_) {
        subWindow_->setAttribute(Qt::WA_DeleteOnClose);
    }
}

void TWMacro::MViewDrawCell(QPainter& painter, int column, int row, const QRect& cell) {
    const QPalette& colours = palette();
    if (column == 0) {
        painter.fillRect(cell, colours.color(QPalette::Button));
        painter.setPen(colours.color(QPalette::Dark));
        const QPoint corner = cell.topLeft();
        painter.drawLine(QPoint(corner.x(), cell.bottom()), corner);
        painter.drawLine(corner, QPoint(cell.right(), corner.y()));
        return;
    }
    QColor background = Qt::white;
    QColor text = Qt::black;
    if (row == MacroState().nameRow) {
        background = colours.color(QPalette::Active, QPalette::Highlight);
        text = Qt::white;
    } else if (!MView->isEnabled()) {
        background = colours.color(QPalette::Button);
    }
    painter.fillRect(cell, background);
    painter.setPen(text);
    const QStringList& names = App().MacroNames;
    DrawCellText(painter, cell, cell.topLeft(),
                 row >= 0 && row < names.size() ? names[row] : QString());
}

void TWMacro::MEditDrawCell(QPainter& painter, int column, int row, const QRect& cell) {
    const QPalette& colours = palette();
    QColor background = Qt::white;
    QColor text = Qt::black;
    if (row == 0) {
        background = colours.color(QPalette::Button);
    } else if (row == MacroState().deviceRow) {
        background = colours.color(QPalette::Active, QPalette::Highlight);
        text = Qt::white;
    }
    painter.fillRect(cell, background);
    painter.setPen(text);
    QString content;
    if (row == 0) {
        if (const QTableWidgetItem* head = MEdit->horizontalHeaderItem(column)) {
            content = head->text();
        }
    } else if (const QTableWidgetItem* item = MEdit->item(row - 1, column)) {
        content = item->text();
    }
    DrawCellText(painter, cell, cell.topLeft() + QPoint(kTextInset, kTextInset), content);
}

void TWMacro::MViewSelectCell(int row) {
    if (row >= 0) {
        MacroState().nameRow = row;
        MView->viewport()->update();
    }
}

void TWMacro::MViewMouseUp(const QPoint& viewportPos) {
    MacroState().nameMouseColumn = MView->columnAt(viewportPos.x());
}

QWidget* TWMacro::makeNameEditor(QWidget* parent, int row) {
    if (!MView->isEnabled()) {
        return nullptr;  // a click that began an edit just before the list was disabled
    }
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    // Typed or pasted text is cut to what the workspace file gives back, as device names are; a
    // longer name loaded from a file shows whole and can be shortened.
    auto* limit = new TypedByteLimit(editor, kMacroNameMaxBytes);
    limit->setTextWhole(App().MacroNames.value(row));
    nameEditor_ = editor;
    editRow_ = row;
    startEditBase();
    connect(editor, &QLineEdit::textChanged, this, [this, editor, row](const QString& text) {
        // Only the live editor stores: one dropped when the names were replaced never does.
        if (editor == nameEditor_) {
            MViewSetEditText(row, text);
        }
    });
    return editor;
}

void TWMacro::startEditBase() {
    const AppState& app = App();
    nameBefore_ = app.MacroNames.value(editRow_);
    modifiedBefore_ = app.WorkspaceModified;
    markLeft_ = app.WorkspaceModified;
    readOnlyLeft_ = app.ReadOnly;
}

void TWMacro::followOtherCommands() {
    const AppState& app = App();
    // Another command changed the workspace's state during the edit: a Save wrote the name as it
    // stood and cleared the mark, Read only set it. Escape goes back no further than that, so the
    // names and the mark keep agreeing with the file.
    if (app.WorkspaceModified != markLeft_ || app.ReadOnly != readOnlyLeft_) {
        startEditBase();
    }
}

void TWMacro::MViewSetEditText(int row, const QString& text) {
    QStringList& names = App().MacroNames;
    if (row < 0 || row >= names.size()) {
        return;
    }
    // Cut as the editor cuts it: what does not fit is left out, a name already too long may
    // still get shorter.
    const QString kept = LimitTypedText(names[row], text, kMacroNameMaxBytes).text;
    if (names[row] == kept) {
        return;
    }
    const bool editing = nameEditor_ != nullptr && row == editRow_;
    if (editing) {
        followOtherCommands();
    }
    names[row] = kept;
    // A renamed macro is a change to the workspace: leaving it unsaved has to be asked about.
    // The mark follows the name as it is typed, so a question asked before the edit ends already
    // knows; typing the old name back takes it away again.
    App().WorkspaceModified = editing ? (modifiedBefore_ || kept != nameBefore_) : true;
    if (editing) {
        markLeft_ = App().WorkspaceModified;
    }
    MView->viewport()->update();
}

void TWMacro::nameEditorClosed(QWidget* editor, bool reverted) {
    if (editor == nullptr || editor != nameEditor_) {
        return;
    }
    if (reverted) {
        // Escape takes the edit back, the modified mark included, as far as the last command
        // that touched the workspace's state during it.
        followOtherCommands();
        App().MacroNames[editRow_] = nameBefore_;
        App().WorkspaceModified = modifiedBefore_;
        // The grid's own copy goes back too: the next edit starts from it.
        if (QTableWidgetItem* cell = MView->item(editRow_, 1)) {
            cell->setText(nameBefore_);
        }
    }
    nameEditor_ = nullptr;
    editRow_ = -1;
    MView->viewport()->update();
}

void TWMacro::dropNameEdit() {
    QLineEdit* editor = nameEditor_;
    if (editor == nullptr) {
        return;
    }
    nameEditor_ = nullptr;
    editRow_ = -1;
    // Closing without a commit: the view lets the editor go and stores nothing.
    Q_EMIT MView->itemDelegate()->closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TWMacro::namesReplaced() {
    dropNameEdit();
    const QStringList& names = App().MacroNames;
    for (int i = 0; i < kMacroCount; ++i) {
        if (QTableWidgetItem* cell = MView->item(i, 1)) {
            cell->setText(names.value(i));
        }
    }
    // Another workspace: its devices, and the macros that came with the names.
    devicesChanged(App().Devices);
    if (!MEdit->isHidden()) {
        showMacroContent(editedMacro_);
    }
    MView->viewport()->update();
}

void TWMacro::MViewDblClick() {
    if (MacroState().nameMouseColumn != 1) {
        return;  // the fixed column, or no cell at all
    }
    editedMacro_ = MacroState().nameRow;
    showMacroContent(editedMacro_);
    showEditorPart(true);
}

void TWMacro::showMacroContent(int row) {
    if (row < 0 || row >= kMacroCount) {
        return;
    }
    const MacroContent& macro = App().Macros[static_cast<std::size_t>(row)];
    MKeys->setText(macro.Keys);
    for (int k = 0; k < MEdit->rowCount() && k < static_cast<int>(deviceIds_.size()); ++k) {
        const auto mark = macro.Devices.find(deviceIds_[static_cast<std::size_t>(k)]);
        if (QTableWidgetItem* cell = MEdit->item(k, kProfileColumn)) {
            cell->setText(mark == macro.Devices.end() ? QString() : mark->second);
        }
    }
}

void TWMacro::MSaveClick() {
    if (editedMacro_ < 0 || editedMacro_ >= kMacroCount) {
        return;
    }
    if (App().ReadOnly) {
        UiDialogs().information(QStringLiteral("Not possible in ReadOnly mode."));
        return;
    }
    const MacroKeysParse keys = ParseMacroKeys(MKeys->text());
    if (!keys.ok()) {
        UiDialogs().information(
            QStringLiteral("Unknown key \"%1\" in the key sequence.").arg(keys.badToken));
        return;
    }
    QStringList cells;
    for (int k = 0; k < MEdit->rowCount(); ++k) {
        const QTableWidgetItem* cell = MEdit->item(k, kProfileColumn);
        cells << (cell ? cell->text() : QString());
    }
    MacroContent& macro = App().Macros[static_cast<std::size_t>(editedMacro_)];
    MacroContent saved = macro;
    saved.Keys = MKeys->text();
    saved.Devices = MergeMacroMarks(macro.Devices, deviceIds_, cells);
    // A Save that changes nothing is no change to the workspace.
    if (saved == macro) {
        return;
    }
    macro = std::move(saved);
    App().WorkspaceModified = true;
    MacrosChanged();
}

void TWMacro::MRunClick() {
    RunProgramMacro(editedMacro_);
}

void TWMacro::MCancelClick() {
    showEditorPart(false);
}

void TWMacro::showEditorPart(bool shown) {
    MEdit->setVisible(shown);
    MKeys->setVisible(shown);
    MSave->setVisible(shown);
    MRun->setVisible(shown);
    MCancel->setVisible(shown);
    MView->setEnabled(!shown);
    MView->viewport()->update();
    if (autoSize_) {
        fitToControls();
    }
}

void TWMacro::MEditMouseDown(int gridRow) {
    MacroState().deviceMouseRow = gridRow;
}

void TWMacro::MEditSelectCell(int gridRow) {
    MacroState().deviceRow = gridRow;
    MEdit->viewport()->update();
}

void TWMacro::MEditDblClick() {
    const int gridRow = MacroState().deviceMouseRow;
    if (gridRow < 1 || gridRow > MEdit->rowCount()) {
        return;  // the header, or below the last device
    }
    const int row = gridRow - 1;
    MEdit->setCurrentCell(row, kProfileColumn, QItemSelectionModel::ClearAndSelect);
    MEdit->editItem(MEdit->item(row, kProfileColumn));
}

QWidget* TWMacro::makeProfileEditor(QWidget* parent) {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    // Each character of the mask stands for one character of any kind.
    editor->setMaxLength(static_cast<int>(MEditGetEditMask().size()));
    return editor;
}

void TWMacro::setAutoSize(bool on) {
    autoSize_ = on;
    if (on) {
        fitToControls();
    }
}

void TWMacro::fitToControls() {
    QList<QRect> visible;
    for (const QWidget* control : {static_cast<QWidget*>(MView), static_cast<QWidget*>(MEdit),
                                   static_cast<QWidget*>(MKeys), static_cast<QWidget*>(MSave),
                                   static_cast<QWidget*>(MRun), static_cast<QWidget*>(MCancel)}) {
        if (!control->isHidden()) {
            visible << control->geometry();
        }
    }
    setFixedSize(FittedClientSize(visible));
    if (subWindow_) {
        subWindow_->setFixedSize(subWindow_->sizeHint());
    }
}

}  // namespace k4
