# SPDX-License-Identifier: GPL-3.0-or-later
# Run at every build (cmake -P, with OUT set): writes the day of the build into the header OUT.
# The header changes, and so the program is rebuilt, only when the day has changed; every build
# thus carries the date it was made on, also when no source changed. SOURCE_DATE_EPOCH, when
# set, stands in for the clock (reproducible builds).
string(TIMESTAMP day "%Y-%m-%d")
set(text "// Made by builddate.cmake at every build.\n#define K4_BUILD_DAY \"${day}\"\n")
file(WRITE "${OUT}.new" "${text}")
configure_file("${OUT}.new" "${OUT}" COPYONLY)
file(REMOVE "${OUT}.new")
