# Windows programs built here run under Wine: a wrapper script in the build
# folder gives every run the same private prefix and keeps Wine quiet and
# headless. CMake uses it for tests and test discovery.
find_program(KESTRAVA_WINE NAMES wine64 wine PATHS /usr/lib/wine REQUIRED)

set(KESTRAVA_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
                                GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE
               @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
