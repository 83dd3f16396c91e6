// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/imagelist.h"

// The pictures live in this static library's resources, which the linker keeps only when they are
// registered explicitly.
static void InitManagerResources() {
    Q_INIT_RESOURCE(manager);
}

namespace k4 {

ImageList::ImageList(QObject* parent) : QObject(parent) {
    InitManagerResources();
    setObjectName(QStringLiteral("ImageList1"));
    static const char* const kFiles[kCount] = {
        ":/manager/device_normal.xpm", ":/manager/workspace.xpm", ":/manager/device_commerror.xpm",
        ":/manager/device_attention.xpm"};
    for (int i = 0; i < kCount; ++i) {
        pictures_[i] = QPixmap(QLatin1String(kFiles[i]));
    }
}

QPixmap ImageList::pixmap(int index) const {
    return (index >= 0 && index < kCount) ? pictures_[index] : QPixmap();
}

QIcon ImageList::icon(int image, int selectedImage) const {
    QIcon icon;
    const QPixmap normal = pixmap(image);
    const QPixmap selected = pixmap(selectedImage);
    if (!normal.isNull()) {
        icon.addPixmap(normal, QIcon::Normal);
    }
    if (!selected.isNull()) {
        icon.addPixmap(selected, QIcon::Selected);
    }
    return icon;
}

}  // namespace k4
