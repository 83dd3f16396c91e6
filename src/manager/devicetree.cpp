// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/devicetree.h"

#include "core/workspacefile.h"
#include "manager/imagelist.h"
#include "state/typedbytelimit.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QStyledItemDelegate>

#include <algorithm>

namespace k4 {

// Hands a committed in-place label to the tree's owner before it is stored.
class LabelDelegate final : public QStyledItemDelegate {
public:
    explicit LabelDelegate(DeviceTreeWidget* tree) : QStyledItemDelegate(tree), tree_(tree) {}

    // Only the workspace node is edited in place; its name is kept to what the workspace file
    // reads back.
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            new TypedByteLimit(line, kWorkspaceNameBytes);
        }
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* line = qobject_cast<QLineEdit*>(editor);
        auto* limit = line ? line->findChild<TypedByteLimit*>() : nullptr;
        if (limit == nullptr) {
            QStyledItemDelegate::setEditorData(editor, index);
            return;
        }
        limit->setTextWhole(index.data(Qt::EditRole).toString());
    }

    // Where the item's text is drawn, and no further than the text reaches.
    QRect textRect(QStyleOptionViewItem option, const QModelIndex& index,
                   const QWidget* widget) const {
        initStyleOption(&option, index);
        const QStyle* style = widget->style();
        QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &option, widget);
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        text.setWidth(
            std::min(text.width(), option.fontMetrics.horizontalAdvance(option.text) + 2 * margin));
        return text;
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        auto* line = qobject_cast<QLineEdit*>(editor);
        QTreeWidgetItem* item = tree_->itemFromIndex(index);
        if (line == nullptr || item == nullptr) {
            QStyledItemDelegate::setModelData(editor, model, index);
            return;
        }
        QString text = line->text();
        tree_->commitLabel(item, text);
        model->setData(index, text, Qt::EditRole);
    }

private:
    DeviceTreeWidget* tree_;
};

namespace {

constexpr auto kUserEditTriggers =
    QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed;

}  // namespace

DeviceTreeWidget::DeviceTreeWidget(const ImageList& images, QWidget* parent)
    : QTreeWidget(parent), images_(images) {
    setObjectName(QStringLiteral("TreeView1"));
    setColumnCount(1);
    setHeaderHidden(true);
    setIndentation(19);
    setIconSize(QSize(ImageList::kSize, ImageList::kSize));
    setItemDelegate(new LabelDelegate(this));
    setEditTriggers(kUserEditTriggers);
}

void DeviceTreeWidget::setReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    setEditTriggers(readOnly ? QAbstractItemView::NoEditTriggers : kUserEditTriggers);
}

void DeviceTreeWidget::setItemImages(QTreeWidgetItem* item, int image, int selectedImage) {
    item->setData(0, kImageRole, image);
    item->setData(0, kSelectedImageRole, selectedImage);
    item->setIcon(0, images_.icon(image, selectedImage));
}

int DeviceTreeWidget::imageOf(const QTreeWidgetItem* item) {
    return item->data(0, kImageRole).toInt();
}

int DeviceTreeWidget::selectedImageOf(const QTreeWidgetItem* item) {
    return item->data(0, kSelectedImageRole).toInt();
}

void DeviceTreeWidget::beginLabelEdit(QTreeWidgetItem* item) {
    if (item != nullptr) {
        editItem(item, 0);
    }
}

bool DeviceTreeWidget::isOnLabelText(const QModelIndex& index, const QPoint& pos) const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    return static_cast<const LabelDelegate*>(itemDelegate())
        ->textRect(option, index, this)
        .contains(pos);
}

void DeviceTreeWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    Q_EMIT doubleClickedAnywhere();
}

bool DeviceTreeWidget::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    // As in the platform's trees, a click on the selected row edits its label only when it hits
    // the text; a click beside it (on the picture or the empty rest of the row) does not.
    if (trigger == SelectedClicked && event != nullptr &&
        event->type() == QEvent::MouseButtonRelease &&
        !isOnLabelText(index, static_cast<QMouseEvent*>(event)->position().toPoint())) {
        return false;
    }
    const bool begins = index.isValid() && state() != EditingState &&
                        (trigger == AllEditTriggers || (editTriggers() & trigger) != 0);
    // A click on the selected label only schedules the edit; it comes back here once the
    // double-click interval has passed, and is asked about then.
    if (!begins || trigger == SelectedClicked) {
        return QTreeWidget::edit(index, trigger, event);
    }
    if (readOnly_) {
        return false;
    }
    QTreeWidgetItem* item = itemFromIndex(index);
    const bool inPlace = item != nullptr && onEditing_ && onEditing_(item);
    if (!inPlace) {
        // The owner's own flow has dealt with the edit: no in-place editor opens.
        return true;
    }
    return QTreeWidget::edit(index, trigger, event);
}

void DeviceTreeWidget::commitLabel(QTreeWidgetItem* item, QString& text) {
    if (onEdited_) {
        onEdited_(item, text);
    }
}

}  // namespace k4
