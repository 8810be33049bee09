# Project-wide compile and link rules, applied to our own targets only (not GoogleTest).
add_library(srcfilter_options INTERFACE)
target_compile_options(srcfilter_options INTERFACE -Wall -Wextra -Werror)
target_compile_definitions(srcfilter_options INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
# The shipped binaries import only system DLLs: the language runtime is linked statically.
target_link_options(srcfilter_options INTERFACE -static -static-libgcc -static-libstdc++)
