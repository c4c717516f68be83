# `make package`: a Debian package of the installed tree, built by CPack.
# Library dependencies come from the programs themselves (dpkg-shlibdeps);
# the fonts the renderer substitutes with are recommended, not required.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME drevlin-pdf-converter)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Drevlin)
set(CPACK_PACKAGE_CONTACT "Drevlin <support@drevlin.example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "PDF converter: PDF to images and text, text and images to PDF")
set(CPACK_PACKAGE_DESCRIPTION "Drevlin PDF Converter renders every page of a PDF file to BMP, JPEG,
PNG, GIF or TIFF, extracts the text of PDF files, sets text files on PDF
pages, puts images into PDF files and splits PDF files into one file per
page, from a small window or the command line drevlin-convert.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE http://drevlin.example.com)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "fonts-liberation, fonts-dejavu-core, fonts-urw-base35, fonts-ipafont-gothic, fonts-ipafont-mincho, fonts-wqy-zenhei, fonts-unfonts-core")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The package carries the programs and their data; the library's headers,
# archive and CMake files are for developers and stay out of it.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};drevlin;programs;/")
include(CPack)
