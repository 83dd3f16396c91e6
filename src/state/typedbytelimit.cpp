// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/typedbytelimit.h"

#include "core/textlimit.h"

#include <QLineEdit>

namespace k4 {

TypedByteLimit::TypedByteLimit(QLineEdit* edit, int maxBytes)
    : QValidator(edit), edit_(edit), maxBytes_(maxBytes), before_(edit->text()) {
    // The line edit validates an edit before it reports the change, so before_ still holds the
    // text the edit started from.
    connect(edit, &QLineEdit::textChanged, this, [this] { before_ = edit_->text(); });
    edit->setValidator(this);
}

void TypedByteLimit::setTextWhole(const QString& text) {
    // Without a validator the line edit takes any text; the next edit is measured against it.
    edit_->setValidator(nullptr);
    edit_->setText(text);
    edit_->setValidator(this);
    before_ = edit_->text();
}

QValidator::State TypedByteLimit::validate(QString& input, int& pos) const {
    const LimitedEdit kept = LimitTypedText(before_, input, maxBytes_);
    if (kept.text != input) {
        input = kept.text;
        pos = kept.cursor;
    }
    return Acceptable;
}

}  // namespace k4
