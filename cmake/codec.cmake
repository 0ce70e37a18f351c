# The kid hash takes MD5 from nettle.
find_package(PkgConfig REQUIRED)
pkg_check_modules(NETTLE REQUIRED IMPORTED_TARGET nettle)
target_link_libraries(tavrel_objects PUBLIC PkgConfig::NETTLE)
