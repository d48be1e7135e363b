# Script mode (cmake -P): fails unless VERSION (the CMake project's) is the version of the newest
# release in the AppStream metadata METAINFO and of the newest entry of the Debian changelog CHANGELOG.
foreach(name VERSION METAINFO CHANGELOG)
    if(NOT DEFINED ${name})
        message(FATAL_ERROR "CheckReleaseVersion.cmake needs -D${name}=...")
    endif()
endforeach()
file(READ "${METAINFO}" metainfo)
string(REGEX MATCH "<release [^>]*version=\"([^\"]*)\"" release "${metainfo}")
set(releaseVersion "${CMAKE_MATCH_1}")
file(STRINGS "${CHANGELOG}" changelogHead LIMIT_COUNT 1)
string(REGEX MATCH "^[a-z0-9.+-]+ \\(([^)]*)\\)" entry "${changelogHead}")
set(changelogVersion "${CMAKE_MATCH_1}")
if(NOT releaseVersion STREQUAL VERSION OR NOT changelogVersion STREQUAL VERSION)
    message(FATAL_ERROR "The project's version is ${VERSION}, the newest AppStream release's \"${releaseVersion}\" "
        "(${METAINFO}) and the newest Debian changelog entry's \"${changelogVersion}\" (${CHANGELOG}): "
        "a release adds a <release> and a changelog entry (dch -v ${VERSION})")
endif()
message(STATUS "version ${VERSION}")
