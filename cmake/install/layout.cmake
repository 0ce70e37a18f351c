# Run at install time, when the prefix is known (`cmake --install --prefix`
# may change it after configuring): decides where the Tcl package goes and
# writes the pkg-config and CMake package files that point there.
# Under /usr or /usr/local the package goes where the stock tclsh looks
# (lib/tcltk/...); under any other prefix it follows Tcl's usual layout,
# PREFIX/lib/tavrel<version>, which TCLLIBPATH=PREFIX/lib finds.
# Expects TAVREL_VERSION_TEXT, TAVREL_PACKAGE_DIR_WANTED (empty: decide here),
# TAVREL_SOURCE_DIR and TAVREL_GENERATED_DIR.
if(TAVREL_PACKAGE_DIR_WANTED)
  set(TAVREL_PACKAGE_DIR ${TAVREL_PACKAGE_DIR_WANTED})
elseif(CMAKE_INSTALL_PREFIX MATCHES "^/usr(/local)?/?$")
  set(TAVREL_PACKAGE_DIR lib/tcltk/tavrel${TAVREL_VERSION_TEXT})
else()
  set(TAVREL_PACKAGE_DIR lib/tavrel${TAVREL_VERSION_TEXT})
endif()
set(PROJECT_VERSION ${TAVREL_VERSION_TEXT})
configure_file(${TAVREL_SOURCE_DIR}/cmake/install/tavrel.pc.in ${TAVREL_GENERATED_DIR}/tavrel.pc @ONLY)
configure_file(${TAVREL_SOURCE_DIR}/cmake/install/tavrelConfig.cmake.in
  ${TAVREL_GENERATED_DIR}/tavrelConfig.cmake @ONLY)
