// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTreeWidget>

#include <functional>

namespace k4 {

class ImageList;

// The manager's tree. A label edit asks its owner first: the owner either runs its own flow
// (the device editor) and declines the in-place editor, or lets the label be edited in place and
// then sees the committed text, which it may change before it is stored.
class DeviceTreeWidget final : public QTreeWidget {
    Q_OBJECT
public:
    // Returns true when the item's label is to be edited in place.
    using EditingHandler = std::function<bool(QTreeWidgetItem* item)>;
    // May change text; the item's label then becomes text.
    using EditedHandler = std::function<void(QTreeWidgetItem* item, QString& text)>;

    // Item data: the pictures of ImageList1 an item shows, normally and while selected.
    static constexpr int kImageRole = Qt::UserRole + 1;
    static constexpr int kSelectedImageRole = Qt::UserRole + 2;
    // Item data: the NodeHandle of a device node (none on the workspace node).
    static constexpr int kNodeHandleRole = Qt::UserRole + 3;

    DeviceTreeWidget(const ImageList& images, QWidget* parent = nullptr);

    void setEditingHandler(EditingHandler handler) { onEditing_ = std::move(handler); }
    void setEditedHandler(EditedHandler handler) { onEdited_ = std::move(handler); }

    // Labels cannot be edited at all while read-only.
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return readOnly_; }

    void setItemImages(QTreeWidgetItem* item, int image, int selectedImage);
    static int imageOf(const QTreeWidgetItem* item);
    static int selectedImageOf(const QTreeWidgetItem* item);

    // Asks the owner as a label edit would, and opens the in-place editor when it agrees.
    void beginLabelEdit(QTreeWidgetItem* item);

    // pos (viewport coordinates) lies on the text of the item at index.
    bool isOnLabelText(const QModelIndex& index, const QPoint& pos) const;

Q_SIGNALS:
    // A double click anywhere in the tree, on an item or on the empty space around the items.
    void doubleClickedAnywhere();

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void commitLabel(QTreeWidgetItem* item, QString& text);

    const ImageList& images_;
    EditingHandler onEditing_;
    EditedHandler onEdited_;
    bool readOnly_ = false;

    friend class LabelDelegate;
};

}  // namespace k4
