# KESTRAVA_FUZZ builds the libFuzzer targets (clang only). Every target gets
# coverage instrumentation and the address and undefined-behaviour checks,
# so the fuzzer sees inside the libraries it drives.
option(KESTRAVA_FUZZ "Build the libFuzzer targets (needs clang)" OFF)

if(KESTRAVA_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "KESTRAVA_FUZZ needs clang++ as the C++ compiler")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined
                        -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=address,undefined)
endif()
