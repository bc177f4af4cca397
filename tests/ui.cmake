# Tests of the ui layer.

# The About dialog and the picture list are compiled straight into their tests, with the
# resources, so they are tested on their own, apart from the main window.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
lumo_add_test(ImageListTest LABEL ui
  SOURCES ImageListTest.cpp ../ui/ImageList.cpp ../ui/ImageList.h ../ui/resources/lumo.qrc
  LIBS Qt6::Widgets)
lumo_add_test(AboutTest LABEL ui
  SOURCES AboutTest.cpp ../ui/About.cpp ../ui/About.h ../ui/LayoutFonts.cpp ../ui/LayoutFonts.h
          ../ui/resources/lumo.qrc
  LIBS Qt6::Widgets Qt6::Test)
foreach(test ImageListTest AboutTest)
  set_target_properties(${test} PROPERTIES AUTOMOC ON AUTORCC ON)
  target_include_directories(${test} PRIVATE ${PROJECT_SOURCE_DIR}/ui ${CMAKE_CURRENT_SOURCE_DIR}/uisupport)
  set_tests_properties(${test} PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endforeach()

# The window's own units are driven with Qt Test. A box that nobody answers fails its test at
# the time limit instead of holding the run.
function(lumo_add_widget_test name)
  add_executable(${name} ${name}.cpp)
  target_link_libraries(${name} PRIVATE lumo_ui Qt6::Test)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/uisupport)
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 120 LABELS ui ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endfunction()

lumo_add_widget_test(TRadioButtonTest)
lumo_add_widget_test(TRadioButtonAccessibleTest)
lumo_add_widget_test(TProgressBarTest)
lumo_add_widget_test(FilenameEditTest)
lumo_add_widget_test(QtOperatorDialogsTest)
lumo_add_widget_test(LumoApplicationTest)
lumo_add_widget_test(QtTranslationsTest)
lumo_add_widget_test(LayoutFontsTest)
lumo_add_widget_test(StoredFieldTextTest)
lumo_add_widget_test(MainFormTest)
# The same window on a display of twice the density: its layout in logical pixels and its
# pictures, drawn for that density.
add_test(NAME MainFormTestAtTwiceTheDensity
  COMMAND MainFormTest theClientAreaIsFixedBelowTheMenuBar everyControlHasItsPlace
          thePicturesAreDrawnForTheDisplaysScale)
set_tests_properties(MainFormTestAtTwiceTheDensity PROPERTIES TIMEOUT 120 LABELS ui
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_SCALE_FACTOR=2")

# The window loads and saves lumo.ini beside the program file, so this test runs from a
# folder of its own, apart from MainFormTest's, under a Cyrillic name that the settings path
# and its error message must carry through.
lumo_add_widget_test(MainFormSettingsTest)
target_link_libraries(MainFormSettingsTest PRIVATE lumo_test_support)
set_target_properties(MainFormSettingsTest PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/налаштування)
