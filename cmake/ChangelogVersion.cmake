# The project's version is the version of the newest entry of the package
# changelog (packaging/changelog): a release is one new entry there, and the
# build, the packages, the programs' --version and the service report follow.
# Sets T860_VERSION and T860_RELEASE_DATE (YYYY-MM-DD, for the AppStream
# release entry).
set(_changelog "${CMAKE_CURRENT_LIST_DIR}/../packaging/changelog")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_changelog}")
file(STRINGS "${_changelog}" _heading LIMIT_COUNT 1)
if(NOT _heading MATCHES "^[a-z0-9.+-]+ \\(([0-9]+\\.[0-9]+\\.[0-9]+)\\) ")
    message(FATAL_ERROR "${_changelog}: the first line does not name a version x.y.z")
endif()
set(T860_VERSION "${CMAKE_MATCH_1}")

file(STRINGS "${_changelog}" _trailer REGEX "^ -- " LIMIT_COUNT 1)
if(NOT _trailer MATCHES "  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    message(FATAL_ERROR "${_changelog}: the newest entry has no date")
endif()
set(_day "${CMAKE_MATCH_1}")
set(_year "${CMAKE_MATCH_3}")
set(_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND _months "${CMAKE_MATCH_2}" _month)
if(_month LESS 0)
    message(FATAL_ERROR "${_changelog}: the newest entry's month is not a month")
endif()
math(EXPR _month "${_month} + 1" OUTPUT_FORMAT DECIMAL)
if(_month LESS 10)
    set(_month "0${_month}")
endif()
set(T860_RELEASE_DATE "${_year}-${_month}-${_day}")
