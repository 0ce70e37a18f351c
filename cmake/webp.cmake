# WebP links libwebp (Debian's libwebp-dev), found through pkg-config.
find_package(PkgConfig REQUIRED)
pkg_check_modules(WEBP REQUIRED IMPORTED_TARGET libwebp)
target_link_libraries(tavrel_objects PUBLIC PkgConfig::WEBP)
