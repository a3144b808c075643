# Debian packages made by CPack (scripts/package.sh runs it):
#   projconv          the two programs with their desktop entry, metainfo,
#                     icons, manual pages and bash completion (COMPONENT programs)
#   libprojconv-dev   the engine's static library, headers and CMake package,
#                     for building other programs (COMPONENT development)
#   python3-projconv  the Python module, once the tree installs one
#                     (COMPONENT python)
# Those who only convert need no compiler headers, and those who build against
# the engine need no Qt: hence two packages rather than one. Included at the
# end of the root CMakeLists.txt, when every install rule is known.

set(CPACK_PACKAGE_NAME projconv)
set(CPACK_PACKAGE_VENDOR "The projconv developers")
set(CPACK_PACKAGE_CONTACT "The projconv developers <projconv@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "converter for numbered raw projection images")
set(CPACK_PACKAGE_HOMEPAGE_URL ${PROJCONV_HOMEPAGE})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Library and run-time dependencies come from the binaries themselves, as
# dpkg-shlibdeps (dpkg-dev) reads them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME projconv)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SECTION science)
set(CPACK_COMPONENT_PROGRAMS_DESCRIPTION
  "converter for numbered raw projection images
 projconv converts sequences of raw projection images, the numbered 16-bit or
 float files that X-ray and CT detectors leave in a folder, into headerless
 16-bit files, TIFF files, a TIFF stack or an HDF5 file: rotated, cropped and
 resized, bit for bit the same on every machine.
 .
 It holds the desktop program projconv, one dialog with a preview, and the
 command-line converter projconv-batch for scripts and clusters.")
# Where completions are loaded from; the completion does nothing without it.
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SUGGESTS bash-completion)

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libprojconv-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
  "conversion engine of projconv (development files)
 The static library, headers and CMake package (find_package(projconv),
 target projconv::engine) of projconv's conversion engine, for programs that
 convert raw projection images as projconv-batch does, files or images held
 in memory.")
# A static library brings no dependencies of its own to dpkg-shlibdeps: a
# program linking it needs the C++ library it was compiled against.
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libstdc++-12-dev | libstdc++-dev")

set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-projconv)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_COMPONENT_PYTHON_DESCRIPTION
  "Python module of projconv
 Converts raw projection images from Python with projconv's engine.")
# The module is built for one Python's ABI (its file name says which) and
# hands images over as NumPy arrays: it needs that Python and NumPy, which
# the libraries dpkg-shlibdeps finds do not name.
if(TARGET projconv_python)
  get_target_property(projconv_python_interpreter projconv_python PROJCONV_INTERPRETER)
  execute_process(COMMAND ${projconv_python_interpreter} -c
    "import sys; print(sys.version_info[0], sys.version_info[1])"
    OUTPUT_VARIABLE projconv_python_version OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
  if(NOT failed)
    separate_arguments(projconv_python_version)
    list(GET projconv_python_version 0 major)
    list(GET projconv_python_version 1 minor)
    math(EXPR next_minor "${minor} + 1")
    set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
      "python3 (>= ${major}.${minor}), python3 (<< ${major}.${next_minor}), python3-numpy")
  endif()
endif()

# Only the components named above become packages; an install rule without a
# component would otherwise make a package of its own.
get_cmake_property(projconv_install_components COMPONENTS)
set(CPACK_COMPONENTS_ALL)
foreach(component programs development python)
  if(component IN_LIST projconv_install_components)
    list(APPEND CPACK_COMPONENTS_ALL ${component})
  endif()
endforeach()

include(CPack)
