# The Win32 serial channel device and the COM port names.
target_sources(quorvant_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Win32CommDevice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Win32PortNames.cpp)
