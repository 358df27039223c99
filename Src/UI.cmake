# TwinsweepUI: the screens and windows. Sources are picked up by folder.
file(GLOB TWINSWEEP_UI_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/Window/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/Window/*.h
  ${CMAKE_CURRENT_SOURCE_DIR}/Window/*.ui
  ${CMAKE_CURRENT_SOURCE_DIR}/Main/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/Main/*.h
  ${CMAKE_CURRENT_SOURCE_DIR}/Main/*.ui)
file(GLOB_RECURSE TWINSWEEP_UI_VIEW_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/View/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/View/*.h
  ${CMAKE_CURRENT_SOURCE_DIR}/View/*.ui)
list(APPEND TWINSWEEP_UI_SOURCES ${TWINSWEEP_UI_VIEW_SOURCES})
# The formatting helpers, the shared helpers and the usage-event collector
# belong to TwinsweepCore; the entry point belongs to the program.
list(FILTER TWINSWEEP_UI_SOURCES EXCLUDE REGEX "/View/Extension/KPLExtension\\.(cpp|h)$")
list(FILTER TWINSWEEP_UI_SOURCES EXCLUDE REGEX "/Main/Utilities[^/]*$")
list(FILTER TWINSWEEP_UI_SOURCES EXCLUDE REGEX "/Main/GACollectionManager\\.(cpp|h)$")
list(FILTER TWINSWEEP_UI_SOURCES EXCLUDE REGEX "/Main/main\\.cpp$")

add_library(TwinsweepUI STATIC ${TWINSWEEP_UI_SOURCES})
target_include_directories(TwinsweepUI PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/Platform)
target_link_libraries(TwinsweepUI PUBLIC TwinsweepCore QVLibrary Lottie Qt6::Widgets)
set_target_properties(TwinsweepUI PROPERTIES AUTOUIC_SEARCH_PATHS "${CMAKE_CURRENT_SOURCE_DIR}/Window")

# The result panels preview files: the generic previewer and the players.
find_package(Qt6 6.4 REQUIRED COMPONENTS Multimedia)
target_link_libraries(TwinsweepUI PUBLIC QuickLookWidgets Qt6::Multimedia)
