// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace k4 {

// A day written "2003-10-04" as the About box shows it: the month's English abbreviation, the
// day and the year separated by single blanks ("Oct 4 2003"); empty when isoDay is no such date.
QString AboutBoxDate(const QString& isoDay);

// The day the program was built, as the About box shows it.
QString ProgramBuildDate();

}  // namespace k4
