#pragma once

#include <QString>

namespace k4 {

// The compiler's build date ("Oct  4 2003", the day padded with a blank) as the About box shows
// it: month, day and year separated by single blanks ("Oct 4 2003").
QString NormalizeBuildDate(const char* compilerDate);

}  // namespace k4
