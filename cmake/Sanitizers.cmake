# KESTRAVA_SANITIZE selects a sanitizer build for every target:
# "address,undefined" or "thread". Any error stops the program at once so a
# test cannot pass over it.
set(KESTRAVA_SANITIZE "" CACHE STRING "Sanitizers for every target: address,undefined or thread")

if(KESTRAVA_SANITIZE)
    add_compile_options(-fsanitize=${KESTRAVA_SANITIZE} -fno-sanitize-recover=all
                        -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=${KESTRAVA_SANITIZE})
endif()
