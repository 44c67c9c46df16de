# Globbed sources and AUTOMOC: when a configure run finds a different source list for a target, its
# moc step must run again, or a new QObject header gets no moc file and the link fails.
function(kestrel_moc_follows_sources target)
    set(list_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_sources.txt)
    set(sources ${ARGN})
    if(EXISTS ${list_file})
        file(READ ${list_file} previous)
        if(NOT previous STREQUAL "${sources}")
            file(REMOVE ${CMAKE_CURRENT_BINARY_DIR}/${target}_autogen/timestamp)
        endif()
    endif()
    file(WRITE ${list_file} "${sources}")
endfunction()
