# Tests of the ui layer.

# The About dialog and the picture list are compiled straight into their tests, with the
# resources, so they are tested on their own, apart from the main window.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
lumo_add_test(ImageListTest LABEL ui
  SOURCES ImageListTest.cpp ../ui/ImageList.cpp ../ui/ImageList.h ../ui/resources/lumo.qrc
  LIBS Qt6::Widgets)
lumo_add_test(AboutTest LABEL ui
  SOURCES AboutTest.cpp ../ui/About.cpp ../ui/About.h ../ui/resources/lumo.qrc
  LIBS Qt6::Widgets Qt6::Test)
foreach(test ImageListTest AboutTest)
  set_target_properties(${test} PROPERTIES AUTOMOC ON AUTORCC ON)
  target_include_directories(${test} PRIVATE ${PROJECT_SOURCE_DIR}/ui)
  set_tests_properties(${test} PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endforeach()
