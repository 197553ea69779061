# The terminal functions of the core, each on its own: number fields, '#'
# records, the receive display's modes, the test stream and the key rules.
quorvant_add_test(terminal_unit
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/FieldNumberTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RecordFormatTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReceiveDisplayTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TestStreamTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KeyTranslationTest.cpp
  LABELS terminal)
