# The serial channel and port discovery, against the fake device.
quorvant_add_test(serial_port SOURCES SerialPortTest.cpp LABELS serial)
quorvant_add_test(serial_port_discovery SOURCES PortDiscoveryTest.cpp LABELS serial)
