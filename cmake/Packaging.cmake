# `cpack` in the build folder makes a Debian package of everything the
# install rules name. Library dependencies come from dpkg-shlibdeps; the
# Qt platform plugins are only recommended by Qt itself, but without them
# no window can open.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velotrace)
set(CPACK_PACKAGE_VENDOR Kestrune)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for PHP profiler output in the cachegrind format")
# Control files want the description in lines of at most 80 characters.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Velotrace opens PHP profiles in the cachegrind text format, plain or"
  "gzip-compressed, and shows the call tree, the selected call's details and"
  "callees, a summary of every function called below it and a flame graph of"
  "every call below it. A watcher opens new profiles as they appear in a"
  "directory."
  ""
  "The command line prints summaries, call trees and folded stacks without a"
  "display.")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Kestrune <velotrace@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VELOTRACE_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)

include(CPack)
