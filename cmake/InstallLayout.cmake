# SPDX-License-Identifier: GPL-3.0-or-later
# Where an installed program's files go, below CMAKE_INSTALL_PREFIX: the program in bin, its skins
# in the data folder, the desktop entry and the icon where desktops look for them.
include(GNUInstallDirs)
set(K4_INSTALL_SKINSDIR ${CMAKE_INSTALL_DATADIR}/k4mgr/SKINS)
set(K4_INSTALL_FULL_SKINSDIR ${CMAKE_INSTALL_FULL_DATADIR}/k4mgr/SKINS)
# The installed program finds its skins by this path from its own folder.
file(RELATIVE_PATH K4_SKINS_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR} ${K4_INSTALL_FULL_SKINSDIR})
