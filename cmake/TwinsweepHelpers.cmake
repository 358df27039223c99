# twinsweep_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [WIDGETS])
# One GoogleTest executable per test folder; WIDGETS selects the QApplication main.
function(twinsweep_add_test)
  cmake_parse_arguments(T "WIDGETS" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  if(T_WIDGETS)
    target_link_libraries(${T_NAME} PRIVATE TestSupportWidgets)
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
