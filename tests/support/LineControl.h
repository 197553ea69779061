#pragma once
// A device-control record for a line: the framing a test names, both output
// lines on and no flow control, as SerialPort configures every open.
#include <cstdint>

#include "serial/CommDevice.h"

inline DeviceControl LineControl(uint32_t baud, uint8_t byteSize = 8,
                                 ParityKind parity = ParityKind::None,
                                 StopBitsKind stopBits = StopBitsKind::One,
                                 bool parityCheck = false) {
    DeviceControl control;
    control.baudRate = baud;
    control.byteSize = byteSize;
    control.parity = parity;
    control.stopBits = stopBits;
    control.parityCheck = parityCheck;
    control.dtrEnable = true;
    control.rtsEnable = true;
    return control;
}
