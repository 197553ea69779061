#include "terminal/ReceiveLog.h"

void ReceiveLog::SetWriter(ReceiveLogWriter* logWriter) {
    writer = logWriter;
    formatter.Reset();
}

void ReceiveLog::LogBytes(const uint8_t* data, size_t count, ReceiveMode mode) {
    if (writer == nullptr) return;
    for (size_t i = 0; i < count; ++i) formatter.Put(data[i], mode);
    formatter.Flush();
}

void ReceiveLog::FormattedText(const char* text, size_t length, bool hexText, bool pieceEnds) {
    if (writer == nullptr) return;
    if (hexText) {
        writer->LogHexText(text, length, pieceEnds);
    } else {
        writer->LogLines(text, length);
    }
}
