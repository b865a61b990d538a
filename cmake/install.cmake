# What `cmake --install` puts where, the man pages and the Debian package.
include(GNUInstallDirs)

# tamsel_stamp(TOOL OUT): OUT is the Python TOOL with the version filled in.
function(tamsel_stamp tool out)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DIN=${CMAKE_CURRENT_SOURCE_DIR}/tools/${tool} -DOUT=${out}
            -DVERSION=${TAMSEL_VERSION} -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/stamp.cmake
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tools/${tool} ${CMAKE_BINARY_DIR}/version.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/cmake/stamp.cmake)
endfunction()

set(TAMSEL_PROGRAMS tamsel tamsel-import tamsel-plot)
set(_stage ${CMAKE_BINARY_DIR}/installed-tools)
set(_scripts)
foreach(tool tamsel-plot tamsel-report)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tools/${tool})
    tamsel_stamp(${tool} ${_stage}/${tool})
    list(APPEND _scripts ${_stage}/${tool})
  endif()
endforeach()
if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tools/tamsel-report)
  list(APPEND TAMSEL_PROGRAMS tamsel-report)
endif()
add_custom_target(tamsel_tools_stamped ALL DEPENDS ${_scripts})

install(TARGETS tamsel tamsel-import RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${_scripts} DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY workflow/ DESTINATION ${CMAKE_INSTALL_DATADIR}/tamsel/workflow
  USE_SOURCE_PERMISSIONS PATTERN "__pycache__" EXCLUDE PATTERN ".snakemake" EXCLUDE)
install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(FILES NEWS.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Man pages from each program's --help and version, with the sections --help
# has no room for (man/NAME.h2m); built with the programs so they stay current.
find_program(HELP2MAN help2man)
if(HELP2MAN)
  set(_pages)
  foreach(prog ${TAMSEL_PROGRAMS})
    if(prog STREQUAL "tamsel" OR prog STREQUAL "tamsel-import")
      set(_run $<TARGET_FILE:${prog}>)
      set(_dep ${prog})
    else()
      set(_run ${_stage}/${prog})
      set(_dep ${_stage}/${prog})
    endif()
    set(_inc ${CMAKE_CURRENT_SOURCE_DIR}/man/${prog}.h2m)
    set(_incopt)
    if(EXISTS ${_inc})
      set(_incopt --include=${_inc})
    endif()
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${prog}.1
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${HELP2MAN} --no-info --version-string=${TAMSEL_VERSION} ${_incopt}
              --output=${CMAKE_BINARY_DIR}/man/${prog}.1 ${_run}
      COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/cmake/man_sections.py ${CMAKE_BINARY_DIR}/man/${prog}.1
      DEPENDS ${_dep} ${_inc} ${CMAKE_CURRENT_SOURCE_DIR}/cmake/man_sections.py ${CMAKE_BINARY_DIR}/version.cpp
      VERBATIM)
    list(APPEND _pages ${CMAKE_BINARY_DIR}/man/${prog}.1)
  endforeach()
  add_custom_target(tamsel_man ALL DEPENDS ${_pages})
  install(FILES ${_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(WARNING "help2man not found (Debian package help2man): no man pages")
endif()

# cpack -G DEB: tamsel_<version>_<arch>.deb. The shared libraries' packages come
# from dpkg-shlibdeps; the Python tools' from the list below.
set(CPACK_PACKAGE_NAME tamsel)
set(CPACK_PACKAGE_VERSION ${TAMSEL_VERSION})
set(CPACK_PACKAGE_CONTACT "tamsel developers <tamsel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "genotype caller for two-channel SNP-array intensities")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "tamsel calls genotypes from the A and B intensities of SNP arrays.
 The package holds tamsel, tamsel-import (vendor reports to tamsel's layout),
 tamsel-plot (cluster plots), the Snakemake workflow for sharded runs and the
 shipped examples.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "python3, python3-matplotlib")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "snakemake, bcftools")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
include(CPack)
