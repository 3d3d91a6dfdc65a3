# One INTERFACE target carries the warning flags; every project target links it.
add_library(kelvarin_warnings INTERFACE)
target_compile_options(kelvarin_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow)
if(KELVARIN_WARNINGS_AS_ERRORS)
    target_compile_options(kelvarin_warnings INTERFACE -Werror)
endif()
