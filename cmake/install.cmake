# Installation by GNUInstallDirs: the two programs, their language files (found
# relative to the program, so a relocated prefix works), the desktop entry,
# icons, AppStream metainfo, man page and bash completion; and the library for
# other programs: the facade's headers, libostrel.a, a CMake package
# (find_package(Ostrel) -> Ostrel::ostrel) and a pkg-config file.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(DREVLIN_DATA_DIR ${CMAKE_INSTALL_DATADIR}/drevlin-pdf-converter)
set(PACKAGING_DIR ${CMAKE_CURRENT_SOURCE_DIR}/packaging)

install(TARGETS drevlin-convert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)
if(TARGET drevlin-pdf-converter)
  install(TARGETS drevlin-pdf-converter RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)
endif()
install(DIRECTORY language/ DESTINATION ${DREVLIN_DATA_DIR}/language COMPONENT programs
        FILES_MATCHING PATTERN "*.ini")

install(FILES ${PACKAGING_DIR}/drevlin-pdf-converter.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT programs)
install(FILES ${PACKAGING_DIR}/com.example.drevlin.PdfConverter.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT programs)
install(FILES ${PACKAGING_DIR}/drevlin-pdf-converter.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT programs)
install(FILES ${PACKAGING_DIR}/drevlin-convert.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME drevlin-convert COMPONENT programs)

# PNG icons for the theme, drawn from the SVG; the 64-pixel one also goes
# beside the programs in the build folder, where the file association uses it.
find_program(RSVG_CONVERT rsvg-convert)
if(RSVG_CONVERT)
  set(ICON_OUTPUTS)
  foreach(size 16 22 24 32 48 64 128 256)
    set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/drevlin-pdf-converter.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
      COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${PACKAGING_DIR}/drevlin-pdf-converter.svg
      DEPENDS ${PACKAGING_DIR}/drevlin-pdf-converter.svg)
    list(APPEND ICON_OUTPUTS ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps COMPONENT programs)
  endforeach()
  set(BESIDE_ICON ${CMAKE_BINARY_DIR}/drevlin-pdf-converter.png)
  add_custom_command(OUTPUT ${BESIDE_ICON}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/icons/64x64/drevlin-pdf-converter.png ${BESIDE_ICON}
    DEPENDS ${CMAKE_BINARY_DIR}/icons/64x64/drevlin-pdf-converter.png)
  add_custom_target(drevlin_icons ALL DEPENDS ${ICON_OUTPUTS} ${BESIDE_ICON})
endif()

# The man page comes from the program's own --help, so it never disagrees
# with the option table.
find_program(HELP2MAN help2man)
if(HELP2MAN)
  set(MAN_PAGE ${CMAKE_BINARY_DIR}/man/drevlin-convert.1.gz)
  add_custom_command(OUTPUT ${MAN_PAGE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${HELP2MAN} --no-info --section=1 --source=Drevlin
            "--name=convert PDF files to images and text, and text and images to PDF"
            --output=${CMAKE_BINARY_DIR}/man/drevlin-convert.1 $<TARGET_FILE:drevlin-convert>
    COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/man/drevlin-convert.1
    DEPENDS drevlin-convert)
  add_custom_target(drevlin_man_page ALL DEPENDS ${MAN_PAGE})
  install(FILES ${MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT programs)
endif()

# The window's man page and the Debian changelog, compressed as Debian wants.
set(GZIPPED)
foreach(pair "drevlin-pdf-converter.1;man" "changelog;doc")
  list(GET pair 0 name)
  set(gz ${CMAKE_BINARY_DIR}/packaging/${name}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND ${CMAKE_COMMAND} -E copy ${PACKAGING_DIR}/${name} ${CMAKE_BINARY_DIR}/packaging/${name}
    COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/packaging/${name}
    DEPENDS ${PACKAGING_DIR}/${name})
  list(APPEND GZIPPED ${gz})
endforeach()
add_custom_target(drevlin_packaging_files ALL DEPENDS ${GZIPPED})
if(TARGET drevlin-pdf-converter)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/drevlin-pdf-converter.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT programs)
endif()
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz ${PACKAGING_DIR}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/drevlin-pdf-converter COMPONENT programs)

# The library. Only the facade and the few headers it includes are public.
set(OSTREL_PUBLIC_HEADERS
  pdf/facade/ostrel.h
  pdf/core/ostrel_errors.h
  pdf/render/canvas/canvas_settings.h
  pdf/text/extract/text_extraction_settings.h)
foreach(header IN LISTS OSTREL_PUBLIC_HEADERS)
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ostrel/${folder} COMPONENT development)
endforeach()
install(TARGETS ostrel EXPORT OstrelTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
set(OSTREL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Ostrel)
install(EXPORT OstrelTargets NAMESPACE Ostrel:: DESTINATION ${OSTREL_CMAKE_DIR} COMPONENT development)
configure_package_config_file(cmake/OstrelConfig.cmake.in ${CMAKE_BINARY_DIR}/OstrelConfig.cmake
  INSTALL_DESTINATION ${OSTREL_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/OstrelConfigVersion.cmake
  VERSION 8.13 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/OstrelConfig.cmake ${CMAKE_BINARY_DIR}/OstrelConfigVersion.cmake
  DESTINATION ${OSTREL_CMAKE_DIR} COMPONENT development)
# The prefix is found from where pkg-config read the file, so that a prefix
# given to `cmake --install --prefix` or moved later still works.
file(RELATIVE_PATH PC_TO_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
configure_file(cmake/ostrel.pc.in ${CMAKE_BINARY_DIR}/ostrel.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/ostrel.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)
