// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QObject>
#include <QPixmap>

#include <array>

namespace k4 {

// ImageList1: the four node pictures of the manager tree (device normal, workspace, device in
// communication error, device signalling attention), indexed like the state icons.
class ImageList final : public QObject {
    Q_OBJECT
public:
    static constexpr int kCount = 4;
    static constexpr int kSize = 16;

    explicit ImageList(QObject* parent = nullptr);

    // A null pixmap for an index outside 0..3.
    QPixmap pixmap(int index) const;
    // An icon that shows image normally and selectedImage while its item is selected.
    QIcon icon(int image, int selectedImage) const;

private:
    std::array<QPixmap, kCount> pictures_;
};

}  // namespace k4
