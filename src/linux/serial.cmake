# The serial device behind termios and the Linux names of port numbers.
target_sources(quorvant_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/TermiosCommDevice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TermiosLine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LinuxPortNames.cpp)
