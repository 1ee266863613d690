# Release package: `cmake --build --preset windows --target package` writes
# Verbarix-<version>-win64.zip with the exe, the README, the user's guide and the license, and beside
# the exe Microsoft's WebView2Loader.dll from the SDK, byte for byte, with its licence under a name that
# says whose it is. Our stand-in of the loader for Linux (browser/chromium_loader) is never in it:
# no install() names it.
install(TARGETS Verbarix RUNTIME DESTINATION . COMPONENT release)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . COMPONENT release)
# Where the README's link points: docs/usage.md beside it.
install(FILES ${PROJECT_SOURCE_DIR}/docs/usage.md DESTINATION docs COMPONENT release)
install(FILES ${VBX_WEBVIEW2_SDK}/x64/WebView2Loader.dll DESTINATION . COMPONENT release)
install(FILES ${VBX_WEBVIEW2_SDK}/LICENSE.txt DESTINATION . RENAME WebView2Loader-LICENSE.txt COMPONENT release)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Verbarix)
set(CPACK_PACKAGE_VENDOR "the Verbarix developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME Verbarix-${PROJECT_VERSION}-win64)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_COMPONENTS_ALL release)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_STRIP_FILES ON)
include(CPack)

# vbxtool, for library files from the command line, with its part of the docs.
install(TARGETS vbxtool RUNTIME DESTINATION . COMPONENT release)
install(FILES ${PROJECT_SOURCE_DIR}/docs/vbxtool.md DESTINATION docs COMPONENT release)
