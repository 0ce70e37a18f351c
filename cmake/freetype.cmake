# FreeType 2: font faces, glyph loading and rasterisation.  Public on the
# objects: the tests measure text with FreeType themselves, to check the
# library's layout independently.
find_package(Freetype REQUIRED)
target_link_libraries(tavrel_objects PUBLIC Freetype::Freetype)
