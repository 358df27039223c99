# The widget half of the interface library: styled controls, lists, the
# main window class and the daemon hook.
file(GLOB QVLIBRARY_WIDGET_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/RYT*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/RYT*.h
  ${CMAKE_CURRENT_SOURCE_DIR}/RYList*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/RYList*.h
  ${CMAKE_CURRENT_SOURCE_DIR}/RYSelect*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/RYSelect*.h
  ${CMAKE_CURRENT_SOURCE_DIR}/RYTable*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/RYTable*.h
  ${CMAKE_CURRENT_SOURCE_DIR}/DaemonManager.cpp ${CMAKE_CURRENT_SOURCE_DIR}/DaemonManager.h)
list(REMOVE_ITEM QVLIBRARY_WIDGET_SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/RYTDarkMode.cpp ${CMAKE_CURRENT_SOURCE_DIR}/RYTDarkMode.h)
list(REMOVE_DUPLICATES QVLIBRARY_WIDGET_SOURCES)
add_library(QVLibrary STATIC ${QVLIBRARY_WIDGET_SOURCES})
target_include_directories(QVLibrary PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/Platform)
target_link_libraries(QVLibrary PUBLIC QVLibraryCore Foundation Qt6::Core Qt6::Gui Qt6::Widgets)
