#include "manager/devicetree.h"

#include "manager/imagelist.h"

#include <QLineEdit>
#include <QStyledItemDelegate>

namespace k4 {

// Hands a committed in-place label to the tree's owner before it is stored.
class LabelDelegate final : public QStyledItemDelegate {
public:
    explicit LabelDelegate(DeviceTreeWidget* tree) : QStyledItemDelegate(tree), tree_(tree) {}

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

bool DeviceTreeWidget::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
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
