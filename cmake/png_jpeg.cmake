# PNG and JPEG formats link libpng and libjpeg directly.
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
target_link_libraries(tavrel PRIVATE PNG::PNG JPEG::JPEG)

# The bare decode that the PNG/JPEG benchmark compares our readers with.
if(TAVREL_BENCH)
  add_executable(bare_decode ${CMAKE_SOURCE_DIR}/bench/bare_decode.cpp)
  target_compile_options(bare_decode PRIVATE ${TAVREL_WARNINGS})
  target_link_libraries(bare_decode PRIVATE PNG::PNG JPEG::JPEG)
endif()
