# Pictures with known colours in known places, made with ImageMagick, and a video clip made with
# Debian's ffmpeg, for the producer's tests; the tests start the producer itself from where it
# was built.
find_program(IMAGEMAGICK_CONVERT convert REQUIRED)
find_program(HOST_FFMPEG ffmpeg REQUIRED)
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
# 2 s of MP4/H.264 at 480x270 (16:9, wider than the camera's 4:3), 25 fps, B-frames as usual:
# the left half lime for the first second and magenta for the second, the right half blue.
add_custom_command(
  OUTPUT ${pictures}/clip.mp4
  COMMAND ${CMAKE_COMMAND} -E make_directory ${pictures}
  COMMAND ${HOST_FFMPEG} -loglevel error -y -f lavfi -i color=c=blue:s=480x270:r=25:d=2 -vf
          "drawbox=0:0:240:270:lime:t=fill:enable='lt(t,1)',drawbox=0:0:240:270:magenta:t=fill:enable='gte(t,1)'"
          -c:v libx264 -pix_fmt yuv420p ${pictures}/clip.mp4
  VERBATIM)
add_custom_target(producer_pictures DEPENDS ${pictures}/quadrants.png ${pictures}/tall.png
                                            ${pictures}/wide.jpg ${pictures}/clip.mp4)
add_dependencies(camera_tests producer_pictures qvl_producer solid_sender_loaded
                 solid_sender_linked)
target_compile_definitions(camera_tests PRIVATE QVL_PRODUCER_EXE="$<TARGET_FILE:qvl_producer>"
                                                PRODUCER_PICTURES="${pictures}"
  SOLID_SENDER_LOADED_EXE="$<TARGET_FILE:solid_sender_loaded>"
  SOLID_SENDER_LINKED_EXE="$<TARGET_FILE:solid_sender_linked>")
