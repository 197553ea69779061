#pragma once
// The far end of the test COM port, played by serve_com_port.py: it echoes
// every byte and, on request, stops and resumes reading, sends a stream of
// its own, or hangs up and puts a fresh line behind the port.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace com_peer {

// The registered port the driver serves; 0 when the program runs without it.
inline uint16_t Port() {
    const char* text = std::getenv("QUORVANT_TEST_COM");
    if (text == nullptr) return 0;
    const long port = std::strtol(text, nullptr, 10);
    return port > 0 && port < 256 ? static_cast<uint16_t>(port) : 0;
}

// Asks the far end for what the request file names and waits until it has
// done it (it removes the file then). The file holds content when given; it
// appears whole, by a rename, so that the far end never reads half of it.
inline bool Ask(const char* what, DWORD timeoutMs = 10000, const char* content = nullptr) {
    const char* folder = std::getenv("QUORVANT_TEST_CONTROL");
    if (folder == nullptr) return false;
    char request[MAX_PATH];
    char part[MAX_PATH];
    int n = snprintf(request, sizeof request, "%s\\%s", folder, what);
    if (n < 0 || static_cast<size_t>(n) >= sizeof request) return false;
    n = snprintf(part, sizeof part, "%s.part", request);
    if (n < 0 || static_cast<size_t>(n) >= sizeof part) return false;
    FILE* file = std::fopen(part, "wb");
    if (file == nullptr) return false;
    if (content != nullptr) std::fputs(content, file);
    std::fclose(file);
    if (!MoveFileExA(part, request, MOVEFILE_REPLACE_EXISTING)) return false;
    const DWORD start = GetTickCount();
    while (GetFileAttributesA(request) != INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(10);
    }
    return true;
}

// Drops the line (the open port sees a hang-up) and waits until a new line is
// behind the port name.
inline bool HangUp() {
    return Ask("hangup");
}

// The far end stops reading: what the port sends piles up in the line.
inline bool Hold() {
    return Ask("hold");
}

inline bool Release() {
    return Ask("release");
}

// The far end sends count bytes of a stream whose byte i is i % 251, and
// returns once they are all in the line.
inline bool Send(uint32_t count) {
    char text[16];
    snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(count));
    return Ask("send", 30000, text);
}

}  // namespace com_peer
