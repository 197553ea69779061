# The serial channel and port discovery, against the fake device.
quorvant_add_test(serial_port_unit SOURCES SerialPortTest.cpp LABELS serial)
quorvant_add_test(port_discovery_unit SOURCES PortDiscoveryTest.cpp LABELS serial)
