quorvant_add_test(config_unit
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/AppPathsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ClockTextTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/IniFileTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SetupStoreTest.cpp
  LABELS config)
