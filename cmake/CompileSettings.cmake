# SPDX-License-Identifier: GPL-3.0-or-later
# One interface target that every library, tool and test links: language level, warnings and the
# sanitizer switches live here and nowhere else.
add_library(k4_settings INTERFACE)
target_compile_features(k4_settings INTERFACE cxx_std_20)
target_compile_options(k4_settings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                             -Wno-missing-field-initializers)
if(K4_WERROR)
    target_compile_options(k4_settings INTERFACE -Werror)
endif()
target_compile_definitions(k4_settings INTERFACE QT_NO_KEYWORDS)

if(K4_TSAN AND K4_ASAN)
    message(FATAL_ERROR "K4_TSAN and K4_ASAN cannot be combined in one build")
endif()
if(K4_TSAN)
    target_compile_options(k4_settings INTERFACE -fsanitize=thread -fno-omit-frame-pointer -g)
    target_link_options(k4_settings INTERFACE -fsanitize=thread)
endif()
if(K4_ASAN)
    target_compile_options(k4_settings INTERFACE -fsanitize=address,undefined
                                                 -fno-sanitize-recover=undefined
                                                 -fno-omit-frame-pointer -g)
    target_link_options(k4_settings INTERFACE -fsanitize=address,undefined)
endif()
