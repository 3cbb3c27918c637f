# Run by CPack on the staged files before it makes the Debian packages: each package
# gets the copyright file and changelog Debian asks for, and its manuals compressed.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

find_program(KX_GZIP gzip REQUIRED)
string(TIMESTAMP kx_date "%a, %d %b %Y %H:%M:%S +0000" UTC)

foreach(kx_component garden:bug-garden dev:bug-garden-dev)
  string(REPLACE ":" ";" kx_component "${kx_component}")
  list(GET kx_component 0 kx_name)
  list(GET kx_component 1 kx_package)
  set(kx_root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/${kx_name}/usr")
  if(NOT IS_DIRECTORY "${kx_root}")
    continue()
  endif()
  set(kx_doc "${kx_root}/share/doc/${kx_package}")
  file(MAKE_DIRECTORY "${kx_doc}")

  file(READ "${CPACK_KX_SOURCE_DIR}/LICENSE" kx_license)
  file(WRITE "${kx_doc}/copyright"
    "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
    "Upstream-Name: bug-garden\n"
    "Source: https://example.org/bug-garden\n\n"
    "Files: *\n"
    "Copyright: The bug garden developers\n"
    "License: Expat\n")
  # The licence text, each line indented and blank lines as " .", as the format asks.
  string(REGEX REPLACE "\n$" "" kx_license "${kx_license}")
  string(REPLACE "\n" ";" kx_lines "${kx_license}")
  foreach(kx_line IN LISTS kx_lines)
    if(kx_line STREQUAL "")
      file(APPEND "${kx_doc}/copyright" " .\n")
    else()
      file(APPEND "${kx_doc}/copyright" " ${kx_line}\n")
    endif()
  endforeach()

  file(WRITE "${kx_doc}/changelog"
    "${kx_package} (${CPACK_KX_VERSION}) unstable; urgency=medium\n\n"
    "  * Release ${CPACK_KX_VERSION}.\n\n"
    " -- ${CPACK_PACKAGE_CONTACT}  ${kx_date}\n")
  file(GLOB_RECURSE kx_to_compress "${kx_doc}/changelog" "${kx_root}/share/man/*")
  foreach(kx_file IN LISTS kx_to_compress)
    if(NOT kx_file MATCHES "\\.gz$")
      execute_process(COMMAND ${KX_GZIP} -9nf "${kx_file}" RESULT_VARIABLE kx_rc)
      if(NOT kx_rc EQUAL 0)
        message(FATAL_ERROR "gzip ${kx_file} failed")
      endif()
    endif()
  endforeach()
  file(CHMOD_RECURSE "${kx_root}/share/doc" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ
    WORLD_READ DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()
