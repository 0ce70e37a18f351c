# FreeType 2: font faces, glyph loading and rasterisation.
find_package(Freetype REQUIRED)
target_link_libraries(tavrel PRIVATE Freetype::Freetype)

# The tests measure text with FreeType themselves, to check the library's
# layout independently; their target exists only once tests/ is processed.
function(tavrel_link_freetype_to_tests)
  if(TARGET tavrel_tests)
    target_link_libraries(tavrel_tests PRIVATE Freetype::Freetype)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL tavrel_link_freetype_to_tests)
