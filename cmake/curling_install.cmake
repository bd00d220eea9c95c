# Where an installed tree keeps things, and the one rule every installed
# program follows. Paths are relative to the prefix, so the same rules serve
# `cmake --install --prefix DIR` and the Debian package (prefix /usr).
include(GNUInstallDirs)

# Python finds a package in .../python3/dist-packages on Debian; it stays
# under lib/ even where GNUInstallDirs picks a multiarch library folder.
set(CURLING_INSTALL_PYTHONDIR "lib/python3/dist-packages" CACHE STRING
  "Folder (relative to the prefix) for the Python module")
set(CURLING_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/CurlingSimulator")
set(CURLING_INSTALL_PKGCONFIGDIR "${CMAKE_INSTALL_LIBDIR}/pkgconfig")

# The players dlopen the library by its bare name when it is not beside
# them; a run path relative to the executable makes that search find the
# installed library wherever the tree was installed or unpacked.
file(RELATIVE_PATH CURLING_BIN_TO_LIB
  "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${CMAKE_INSTALL_LIBDIR}")
set(CURLING_PROGRAM_RPATH "$ORIGIN/${CURLING_BIN_TO_LIB}")

# Installs a program into bin/ with the run path that finds the library.
# A folder that builds a program adds `curling_install_program(TARGET)`
# after its add_executable.
# The build tree gets the same run path: otherwise CMake would reserve room
# for it with an empty one, which the system loader reads as the current
# folder, and a program would load any libCurlingSimulator.so it was run
# beside. (So a program that linked the library, rather than loading it,
# would not find it from the build tree; none does.)
function(curling_install_program target)
  set_target_properties(${target} PROPERTIES
    INSTALL_RPATH "${CURLING_PROGRAM_RPATH}"
    BUILD_WITH_INSTALL_RPATH ON)
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()
