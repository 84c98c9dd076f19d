# Run by cpack once the files are staged: puts the changelog, whose newest entry must be for the
# package's version, signed by the maintainer the package is made for
# (CPACK_DEBIAN_PACKAGE_MAINTAINER, which cpack -D can override), beside the copyright file as
# changelog.gz, compressed with gzip -9n as Debian wants it; and strips the compiler's notes
# from the programs, as Debian's own packaging tools do.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
    return()
endif()
file(GLOB_RECURSE copyright LIST_DIRECTORIES false
    "${CPACK_TEMPORARY_DIRECTORY}/*/share/doc/verzino/copyright")
if(NOT copyright)
    message(FATAL_ERROR "no copyright file staged under ${CPACK_TEMPORARY_DIRECTORY}")
endif()
list(GET copyright 0 copyright)
get_filename_component(docdir "${copyright}" DIRECTORY)

file(READ "${CPACK_VERZINO_CHANGELOG}" text)
# The changelog is history, so its newest entry is written by hand; a new version needs one.
string(REGEX MATCH "^verzino \\(([^)]*)\\)" newest "${text}")
if(NOT CMAKE_MATCH_1 STREQUAL CPACK_PACKAGE_VERSION)
    message(FATAL_ERROR "the newest entry of ${CPACK_VERZINO_CHANGELOG} is for version "
        "'${CMAKE_MATCH_1}', the package is ${CPACK_PACKAGE_VERSION}: add an entry for it")
endif()
string(REPLACE "@VERZINO_CHANGELOG_MAINTAINER@" "${CPACK_DEBIAN_PACKAGE_MAINTAINER}" text "${text}")
file(WRITE "${docdir}/changelog" "${text}")
execute_process(COMMAND gzip -9nf "${docdir}/changelog" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip of the changelog failed")
endif()
file(CHMOD "${docdir}/changelog.gz" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

file(GLOB programs LIST_DIRECTORIES false "${docdir}/../../../bin/*")
foreach(program IN LISTS programs)
    execute_process(COMMAND strip --remove-section=.comment --remove-section=.note "${program}"
        RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "strip ${program} failed")
    endif()
endforeach()
