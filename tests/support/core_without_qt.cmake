# SPDX-License-Identifier: MIT
# Fails when a source of the core or the CLI includes a Qt header; Qt
# belongs to src/app alone. Run with -DSOURCE_DIR=<the repository's src>.
set(folders decode texts message catalogue operations search addressbook settings base ports platform cli)
set(found "")
foreach(folder IN LISTS folders)
  file(GLOB_RECURSE files ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(file IN LISTS files)
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Qt[A-Za-z]*/|Q[A-Z][A-Za-z]*[>\"])")
    foreach(line IN LISTS lines)
      string(APPEND found "${file}: ${line}\n")
    endforeach()
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "the core must not include Qt:\n${found}")
endif()
