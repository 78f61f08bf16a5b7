# SPDX-License-Identifier: MIT
# Run by CPack once it has staged the installed files: adds the documents
# Debian asks of every package to usr/share/doc/pelmora, the changelogs
# compressed as Debian wants them (gzip -9, no name or time stored), and the
# package's lintian overrides. The modes are set here, whatever the umask of
# the one who builds.
set(share ${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/share)
set(doc ${share}/doc/pelmora)
set(overrides ${share}/lintian/overrides)
file(MAKE_DIRECTORY ${doc} ${overrides})
file(COPY ${CPACK_PELMORA_DOCUMENTS}/copyright DESTINATION ${doc})
file(COPY_FILE ${CMAKE_CURRENT_LIST_DIR}/lintian-overrides ${overrides}/pelmora)
foreach(name changelog changelog.Debian)
  execute_process(COMMAND gzip -9 -n -c ${CPACK_PELMORA_DOCUMENTS}/${name}
                  OUTPUT_FILE ${doc}/${name}.gz
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip could not compress ${name}: ${status}")
  endif()
endforeach()
file(CHMOD ${doc}/copyright ${doc}/changelog.gz ${doc}/changelog.Debian.gz ${overrides}/pelmora
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
file(CHMOD ${share}/doc ${doc} ${share}/lintian ${overrides}
     PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
