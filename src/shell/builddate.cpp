#include "shell/builddate.h"

namespace k4 {

QString NormalizeBuildDate(const char* compilerDate) {
    return QString::fromLatin1(compilerDate).simplified();
}

}  // namespace k4
