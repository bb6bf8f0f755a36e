# Installation on Linux and the Debian package. The programs find their pages (Data/) beside
# themselves, so both live in one program folder, /usr/lib/trastel; the commands in /usr/bin
# link to them. The settings then go to the user's own folder, as /usr/lib cannot be written.
set(TRASTEL_PROGRAM_FOLDER lib/trastel)
set(TRASTEL_LINUX_FILES ${CMAKE_SOURCE_DIR}/packaging/linux)
set(TRASTEL_APP_ID org.trastel.Trastel)

install(TARGETS trastel trastel-batch RUNTIME DESTINATION ${TRASTEL_PROGRAM_FOLDER})
# libheif is the programs' own (see the top CMakeLists): beside them, found through their
# RUNPATH, and replaceable there as its licence (LGPL) asks. Its source archive and our fixes of
# it go with it.
set_target_properties(trastel trastel-batch PROPERTIES INSTALL_RPATH "\$ORIGIN")
# libjxl and its colour library libjxl_cms, which it finds beside itself, are kept the same way.
file(GLOB TRASTEL_LIBHEIF ${TRASTEL_LINUX_LIBRARIES}/lib/libheif.so.1*
     ${TRASTEL_LINUX_LIBRARIES}/lib/libjxl.so.0* ${TRASTEL_LINUX_LIBRARIES}/lib/libjxl_cms.so.0*)
install(FILES ${TRASTEL_LIBHEIF} DESTINATION ${TRASTEL_PROGRAM_FOLDER}
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
file(GLOB TRASTEL_LIBHEIF_SOURCE ${TRASTEL_LINUX_LIBRARIES}/libheif-*.tar.gz
     ${TRASTEL_LINUX_LIBRARIES}/libheif-*.patch ${TRASTEL_LINUX_LIBRARIES}/libjxl-*.tar.gz
     ${TRASTEL_LINUX_LIBRARIES}/highway-*.tar.gz ${TRASTEL_LINUX_LIBRARIES}/brotli-*.tar.gz)
install(FILES ${TRASTEL_LIBHEIF_SOURCE} DESTINATION share/doc/trastel/source)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION ${TRASTEL_PROGRAM_FOLDER}/Data)
foreach(command trastel trastel-batch)
  install(CODE "
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
    file(CREATE_LINK ../${TRASTEL_PROGRAM_FOLDER}/${command}
         \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/${command}\" SYMBOLIC)")
endforeach()
install(FILES ${TRASTEL_LINUX_FILES}/${TRASTEL_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${TRASTEL_LINUX_FILES}/${TRASTEL_APP_ID}.metainfo.xml DESTINATION share/metainfo)
foreach(size 16 32 48 64 96 128 256)
  install(FILES ${TRASTEL_LINUX_FILES}/icons/${size}x${size}/trastel.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()

# The manual pages and Debian's changelog are installed compressed, as Debian keeps them.
set(compressed_files)
foreach(file trastel.1 trastel-batch.1 changelog)
  set(output ${CMAKE_BINARY_DIR}/packaging/${file}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND gzip -9n -c ${TRASTEL_LINUX_FILES}/${file} > ${output}
    DEPENDS ${TRASTEL_LINUX_FILES}/${file})
  list(APPEND compressed_files ${output})
endforeach()
add_custom_target(trastel_compressed_documents ALL DEPENDS ${compressed_files})
install(FILES ${CMAKE_BINARY_DIR}/packaging/trastel.1.gz ${CMAKE_BINARY_DIR}/packaging/trastel-batch.1.gz
        DESTINATION share/man/man1)
# Debian's documentation: the licence in its machine-readable form and the changelog, named as
# a native package's (its version has no Debian revision).
install(FILES ${TRASTEL_LINUX_FILES}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION share/doc/trastel)
install(FILES ${TRASTEL_LINUX_LIBRARIES}/licences/libjxl-PATENTS.txt DESTINATION share/doc/trastel
        RENAME libjxl-PATENTS)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME trastel)
set(CPACK_PACKAGE_VERSION 2.00)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch picture converter with a Japanese user interface")
# The long description below the summary line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Collects up to 1000 BMP, JPEG, PNG, GIF, WebP, HEIC, AVIF and JPEG XL pictures
in a list and converts them all at once to BMP, JPEG, PNG, GIF (also one
animated GIF of the list), WebP, AVIF, JPEG XL (a JPEG also recompressed
without loss) or an HTML table-art page, with resizing (which
can keep each picture's shape), cropping, rotation, filters, naming rules, a
JPEG size limit and a choice of what photos keep of their Exif details. The
window shows each picture's facts before and after conversion; trastel-batch
converts with the same settings from the command line. Pictures are read and
written with libjpeg-turbo, libpng, zlib, giflib, libwebp, libheif (its own
copy, installed beside the programs) with libde265 and aom, libjxl (its own
copy too) and Little CMS 2.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Trastel authors <authors@trastel.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The library packages come from the programs' own links (dpkg-shlibdeps); xdg-open opens the
# help and preview pages.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${TRASTEL_LINUX_LIBRARIES}/lib)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
