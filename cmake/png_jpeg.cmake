# PNG and JPEG formats link libpng and libjpeg directly.
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
target_link_libraries(tavrel_objects PUBLIC PNG::PNG JPEG::JPEG)
