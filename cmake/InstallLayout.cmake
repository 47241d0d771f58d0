# Where an installation puts each part, below any prefix (/usr, /usr/local,
# $HOME/.local): the programs in bin/, the zip control and its property page
# in a library folder of the program's own (not on the linker's path), the
# user guide and the desktop files in share/.
#
# The programs find the control and the guide relative to their own
# location, so one build works from the build folder and installed; these
# relative paths are compiled in (VEILCRAFT_*_FROM_PROGRAM).
include(GNUInstallDirs)

set(VEILCRAFT_INSTALL_PKGLIBDIR "${CMAKE_INSTALL_LIBDIR}/veilcraft" CACHE STRING
    "Folder below the prefix for the zip control and its property page")
set(VEILCRAFT_INSTALL_HELPDIR "${CMAKE_INSTALL_DATADIR}/veilcraft/help" CACHE STRING
    "Folder below the prefix for the user guide")

# The relative path from the programs' folder to `dir` (relative to the
# prefix, or absolute), in `variable`.
function(veilcraft_path_from_programs variable dir)
  cmake_path(ABSOLUTE_PATH dir BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" OUTPUT_VARIABLE full)
  file(RELATIVE_PATH relative "${CMAKE_INSTALL_FULL_BINDIR}" "${full}")
  set(${variable} "${relative}" PARENT_SCOPE)
endfunction()

veilcraft_path_from_programs(VEILCRAFT_LIBRARY_DIR_FROM_PROGRAM "${VEILCRAFT_INSTALL_PKGLIBDIR}")
veilcraft_path_from_programs(VEILCRAFT_HELP_DIR_FROM_PROGRAM "${VEILCRAFT_INSTALL_HELPDIR}")
veilcraft_path_from_programs(VEILCRAFT_DATA_DIR_FROM_PROGRAM "${CMAKE_INSTALL_DATADIR}")

# The desktop's name of the application: its desktop entry, icon, MIME
# package and AppStream component are named after it.
set(VEILCRAFT_APP_ID "example.veilcraft.Veilcraft")

# Compiled-in file names (__FILE__, debug information) relative to the
# source and build folders, so that installed files name neither.
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}/= -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)
