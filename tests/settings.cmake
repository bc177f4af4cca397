# Tests of the settings layer.
lumo_add_test(IniDocumentTest LABEL core SOURCES IniDocumentTest.cpp LIBS lumo_settings)
lumo_add_test(IniFileIoTest LABEL core SOURCES IniFileIoTest.cpp LIBS lumo_settings lumo_test_support)
lumo_add_test(SettingsPathTest LABEL core OWN_MAIN SOURCES SettingsPathTest.cpp LIBS lumo_settings lumo_test_support)
lumo_add_test(StoredSettingsTest LABEL core SOURCES StoredSettingsTest.cpp LIBS lumo_settings lumo_test_support)

# lumo.ini against the Windows private-profile service itself.
if(WIN32)
  lumo_add_test(PrivateProfileTest LABEL core SOURCES PrivateProfileTest.cpp LIBS lumo_settings lumo_test_support)
endif()
