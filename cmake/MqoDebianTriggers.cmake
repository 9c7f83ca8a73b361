# Run by cpack after the packages are made. CPack's own postinst and postrm
# for a shared library call ldconfig; Debian wants the ldconfig trigger
# instead, so the run-time package is rebuilt with a triggers file and no
# maintainer scripts. Its files, and so its md5sums, stay the same.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name "${deb}" NAME)
  if(NOT name MATCHES "^libmqomodel[0-9]")
    continue()
  endif()
  set(tree "${CPACK_TEMPORARY_DIRECTORY}/ldconfig-trigger")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb -R "${deb}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE "${tree}/DEBIAN/postinst" "${tree}/DEBIAN/postrm")
  file(WRITE "${tree}/DEBIAN/triggers" "activate-noawait ldconfig\n")
  execute_process(COMMAND dpkg-deb --root-owner-group -Zgzip -b "${tree}" "${deb}"
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${tree}")
endforeach()
