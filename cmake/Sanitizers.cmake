# Sanitizers apply to everything the build compiles and links, tests included.
if(KELVARIN_SANITIZE)
    add_compile_options(-fsanitize=${KELVARIN_SANITIZE} -fno-omit-frame-pointer
                        -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${KELVARIN_SANITIZE})
endif()
