# SPDX-License-Identifier: MIT
# Fills in the Debian documents of the package at configure time; CPack adds
# them to the staged files (add_documents.cmake). Included by packaging.cmake.

# The release date of this version, from the AppStream data's list of
# releases, the one place that dates them.
file(STRINGS ${PROJECT_SOURCE_DIR}/data/${PELMORA_APP_ID}.metainfo.xml release_line
     REGEX "<release version=\"${PROJECT_VERSION}\" date=\"[0-9]+-[0-9]+-[0-9]+\"")
if(NOT release_line MATCHES "date=\"([0-9]+)-([0-9]+)-([0-9]+)\"")
  message(FATAL_ERROR "data/${PELMORA_APP_ID}.metainfo.xml has no <release> for ${PROJECT_VERSION}")
endif()
set(year ${CMAKE_MATCH_1})
math(EXPR month "${CMAKE_MATCH_2} + 0")
math(EXPR day "${CMAKE_MATCH_3} + 0")
file(STRINGS ${PROJECT_SOURCE_DIR}/CHANGELOG.md release_heading REGEX "^## ${PROJECT_VERSION} ")
if(NOT release_heading)
  message(FATAL_ERROR "CHANGELOG.md says nothing of ${PROJECT_VERSION}")
endif()

# The changelog dates its entry as RFC 5322 does, weekday included: the
# days from 1970-01-01 to that date (the civil calendar counted in eras of
# 400 years from March), formatted by string(TIMESTAMP) through
# SOURCE_DATE_EPOCH.
if(month GREATER 2)
  math(EXPR y "${year}")
  math(EXPR m "${month} - 3")
else()
  math(EXPR y "${year} - 1")
  math(EXPR m "${month} + 9")
endif()
math(EXPR era "${y} / 400")
math(EXPR year_of_era "${y} - ${era} * 400")
math(EXPR day_of_year "(153 * ${m} + 2) / 5 + ${day} - 1")
math(EXPR day_of_era "${year_of_era} * 365 + ${year_of_era} / 4 - ${year_of_era} / 100 + ${day_of_year}")
math(EXPR release_epoch "(${era} * 146097 + ${day_of_era} - 719468) * 86400")
set(saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
set(ENV{SOURCE_DATE_EPOCH} ${release_epoch})
string(TIMESTAMP PELMORA_RELEASE_DATE_RFC5322 "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(ENV{SOURCE_DATE_EPOCH} "${saved_epoch}")
set(PELMORA_COPYRIGHT_YEARS ${year})

set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(documents ${CMAKE_BINARY_DIR}/debian)
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${documents}/copyright @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.Debian.in ${documents}/changelog.Debian @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/CHANGELOG.md ${documents}/changelog COPYONLY)

# CPack hands only variables named CPACK_* to its scripts.
set(CPACK_PELMORA_DOCUMENTS ${documents})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/add_documents.cmake)
