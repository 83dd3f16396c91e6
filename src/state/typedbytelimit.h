// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QValidator>

class QLineEdit;

namespace k4 {

// Keeps what an operator types or pastes into a line edit within maxBytes as a profile file
// holds it (see core/textlimit.h), so a name saved and loaded again comes back whole. Text the
// program sets through setTextWhole() is shown whole even when longer; an edit may shorten it
// but not lengthen it.
class TypedByteLimit final : public QValidator {
public:
    // Installs itself on edit, which owns it.
    TypedByteLimit(QLineEdit* edit, int maxBytes);

    void setTextWhole(const QString& text);
    int maxBytes() const { return maxBytes_; }

    State validate(QString& input, int& pos) const override;

private:
    QLineEdit* edit_;
    int maxBytes_;
    QString before_;  // the text before the edit under validation
};

}  // namespace k4
