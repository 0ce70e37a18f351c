# The kid hash takes MD5 from nettle.
find_package(PkgConfig REQUIRED)
pkg_check_modules(NETTLE REQUIRED IMPORTED_TARGET nettle)
target_link_libraries(tavrel PRIVATE PkgConfig::NETTLE)

# The codec benchmark times FFmpeg's decoder of the format beside ours.
function(tavrel_link_avcodec_to_bench)
  if(TARGET tavrel_bench)
    pkg_check_modules(AVCODEC REQUIRED IMPORTED_TARGET libavcodec libavutil libswscale)
    target_link_libraries(tavrel_bench PRIVATE PkgConfig::AVCODEC)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL tavrel_link_avcodec_to_bench)
