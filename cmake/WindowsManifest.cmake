# kelvarin_utf8_manifest(TARGET): on Windows, gives a program the manifest
# that makes UTF-8 its narrow code page; elsewhere nothing.
function(kelvarin_utf8_manifest target)
    if(WIN32)
        target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/platform/windows/utf8_manifest.rc)
    endif()
endfunction()
