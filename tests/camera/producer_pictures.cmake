# Pictures with known colours in known places, made with ImageMagick, for the producer's picture
# tests; the tests start the producer itself from where it was built.
find_program(IMAGEMAGICK_CONVERT convert REQUIRED)
set(pictures ${CMAKE_CURRENT_BINARY_DIR}/pictures)
add_custom_command(
  OUTPUT ${pictures}/quadrants.png ${pictures}/tall.png ${pictures}/wide.jpg
  COMMAND ${CMAKE_COMMAND} -E make_directory ${pictures}
  # 320x240: red, lime / blue, white.
  COMMAND ${IMAGEMAGICK_CONVERT} -size 160x120 xc:red xc:lime +append
          ( -size 160x120 xc:blue xc:white +append ) -append ${pictures}/quadrants.png
  # 60x120, yellow over magenta: narrower than the camera's 4:3.
  COMMAND ${IMAGEMAGICK_CONVERT} -size 60x60 xc:yellow xc:magenta -append ${pictures}/tall.png
  # 640x120, cyan beside red: wider than the camera's 4:3.
  COMMAND ${IMAGEMAGICK_CONVERT} -size 320x120 xc:cyan xc:red +append -quality 95
          ${pictures}/wide.jpg
  VERBATIM)
add_custom_target(producer_pictures DEPENDS ${pictures}/quadrants.png ${pictures}/tall.png
                                            ${pictures}/wide.jpg)
add_dependencies(camera_tests producer_pictures qvl_producer solid_sender_loaded
                 solid_sender_linked)
target_compile_definitions(camera_tests PRIVATE QVL_PRODUCER_EXE="$<TARGET_FILE:qvl_producer>"
                                                PRODUCER_PICTURES="${pictures}"
  SOLID_SENDER_LOADED_EXE="$<TARGET_FILE:solid_sender_loaded>"
  SOLID_SENDER_LINKED_EXE="$<TARGET_FILE:solid_sender_linked>")
