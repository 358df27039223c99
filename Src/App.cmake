# The program: the entry point linked with the screens, the engines, the
# platform layer and the analytics library; placed in bin/ of the build tree
# as after an install.
# The shell's services in Src/Main (update, feedback, crash notes) join the
# screens' library, so their tests link the same code the program runs.
target_link_libraries(TwinsweepUI PUBLIC Refreshkit QVFeedback CrashReporter)

add_executable(Twinsweep ${CMAKE_CURRENT_SOURCE_DIR}/Main/main.cpp)
target_link_libraries(Twinsweep PRIVATE TwinsweepUI)
twinsweep_load_tls_modules_at_start(Twinsweep)
set_target_properties(Twinsweep PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
if(TARGET TwinsweepResources)
  add_dependencies(Twinsweep TwinsweepResources)
endif()
if(TARGET Statwick)
  add_dependencies(Twinsweep Statwick)
endif()

install(TARGETS Twinsweep RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The desktop entry and the icon make the program appear in the desktop's
# application list.
install(FILES ${CMAKE_SOURCE_DIR}/Resources/twinsweep.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/Resources/Images/AppIcon.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME twinsweep.svg)
