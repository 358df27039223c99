# In the address-sanitizer build only. The leak checker there (GCC 12) takes
# a block of thread-local storage of a module loaded at run time that begins
# 16 bytes past a page boundary for the header an old C library put before
# it, and reads a start and a size from the 16 bytes in front, which in the
# sanitizer's heap are its own bookkeeping: its check at exit then walks wild
# memory and dies ("Tracer caught signal 11", "DTLS 26 at 0x29db-0x1000003add").
# The screens load two modules with such storage, Qt's GStreamer media
# plug-in and rlottie's image loader; a program that runs the screens loads
# them with itself instead, so their storage is static and is scanned as
# that. Nothing of the check is turned off.
function(twinsweep_load_tls_modules_at_start target)
  if(NOT SANITIZE STREQUAL "address")
    return()
  endif()
  set(modules "")
  if(TARGET Qt6::QGstreamerMediaPlugin)
    foreach(property IMPORTED_LOCATION_NONE IMPORTED_LOCATION_RELEASE IMPORTED_LOCATION)
      get_target_property(plugin Qt6::QGstreamerMediaPlugin ${property})
      if(plugin AND EXISTS "${plugin}")
        list(APPEND modules "${plugin}")
        break()
      endif()
    endforeach()
  endif()
  find_library(TWINSWEEP_RLOTTIE_LIBRARY NAMES rlottie)
  get_filename_component(rlottie_libdir "${TWINSWEEP_RLOTTIE_LIBRARY}" DIRECTORY)
  if(TWINSWEEP_RLOTTIE_LIBRARY AND EXISTS "${rlottie_libdir}/rlottie/image-loader.so")
    list(APPEND modules "${rlottie_libdir}/rlottie/image-loader.so")
    # It is found by its own name, which lies in rlottie's folder.
    target_link_options(${target} PRIVATE "LINKER:-rpath,${rlottie_libdir}/rlottie")
  endif()
  if(modules)
    target_link_libraries(${target} PRIVATE "-Wl,--no-as-needed" ${modules} "-Wl,--as-needed")
  endif()
endfunction()

# twinsweep_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [WIDGETS])
# One GoogleTest executable per test folder; WIDGETS selects the QApplication main.
function(twinsweep_add_test)
  cmake_parse_arguments(T "WIDGETS" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  if(T_WIDGETS)
    target_link_libraries(${T_NAME} PRIVATE TestSupportWidgets)
    twinsweep_load_tls_modules_at_start(${T_NAME})
  else()
    target_link_libraries(${T_NAME} PRIVATE TestSupportCore)
  endif()
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS})
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(TARGET TwinsweepResources)
    add_dependencies(${T_NAME} TwinsweepResources)
  endif()
  # The offscreen platform, the resource folder and the sanitizer settings
  # are set by the test mains themselves (Tests/Support).
  gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()
