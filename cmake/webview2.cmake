# The WebView2 SDK (third_party/webview2): Microsoft's files unchanged, checked against their
# hashes at every configure, which runs again when one of them changes.
set(VBX_WEBVIEW2_SDK ${PROJECT_SOURCE_DIR}/third_party/webview2)
file(STRINGS ${VBX_WEBVIEW2_SDK}/SHA256SUMS sums)
foreach(line IN LISTS sums)
  string(REGEX MATCH "^([0-9a-f]+) +(.+)$" matched "${line}")
  file(SHA256 ${VBX_WEBVIEW2_SDK}/${CMAKE_MATCH_2} actual)
  if(NOT actual STREQUAL CMAKE_MATCH_1)
    message(FATAL_ERROR "${VBX_WEBVIEW2_SDK}/${CMAKE_MATCH_2} is not the SDK's file (SHA-256 ${actual})")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VBX_WEBVIEW2_SDK}/${CMAKE_MATCH_2})
endforeach()

# Its declarations, for browser/webview2_sdk.h: included as system headers (the MSVC pragmas and
# the interfaces without virtual destructors are Microsoft's), with the EventToken.h that
# MinGW-w64 ships as eventtoken.h.
add_library(vbx_webview2 INTERFACE)
target_include_directories(vbx_webview2 SYSTEM INTERFACE ${VBX_WEBVIEW2_SDK}/include)
if(MINGW)
  file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/webview2-mingw/EventToken.h CONTENT "#include <eventtoken.h>\n")
  target_include_directories(vbx_webview2 SYSTEM INTERFACE ${PROJECT_BINARY_DIR}/webview2-mingw)
endif()
