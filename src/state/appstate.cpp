// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/appstate.h"

namespace k4 {

AppState& App() {
    static AppState state;
    return state;
}

}  // namespace k4
