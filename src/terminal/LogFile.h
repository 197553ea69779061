#pragma once
#include <cstddef>
#include <cstdint>

#include "config/FileSystem.h"

// How a text file for people is written on the platform: the program's
// Windows-1252 bytes with CR LF, or UTF-8 with LF.
enum class TextForm : uint8_t { Windows1252CrLf, Utf8Lf };

// The log file: one row "dd.mm.yy hh:mm:ss.mmm;text" for each received line,
// for the hexadecimal text of each tick and for each event. The text is quoted
// the CSV way when it holds a semicolon, a quote or a line end.
//
// Rows go through a fixed buffer that WriteThrough empties into the file, so
// the log grows on disk only, however long it runs; a line longer than
// kLineCapacity is written in rows of that length.
class LogFile {
  public:
    static constexpr size_t kBufferCapacity = 16384;
    static constexpr size_t kLineCapacity = 256;

    explicit LogFile(FileSystem& files = PlatformFileSystem()) : files(files) {}
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Creates the file anew (an old one is emptied); false when it cannot, or
    // when something other than a plain file stands at the name.
    bool Open(const char* path, TextForm form);
    // Writes the unfinished line as a row of its own, stamped with time, then
    // closes; false when some of the log could not be written.
    bool Close(const char* time);
    bool IsOpen() const { return file != FileSystem::kNoFile; }
    // A hexadecimal row handed over in parts still waits for its end.
    bool HexRowOpen() const { return hexRowOpen; }

    // Received text: each '\n' completes a line, stamped with time; the rest
    // waits for its line end.
    void AddLines(const char* time, const char* text, size_t length);
    // One tick's hexadecimal text, a row of its own; a tick with much of it
    // hands it over in parts, the last with rowEnds.
    void AddHexText(const char* time, const char* text, size_t length, bool rowEnds = true);
    // An event of the program, a row of its own.
    void AddEvent(const char* time, const char* text);

    // Hands the rows collected so far to the file; false when the file did
    // not take them all.
    bool WriteThrough();

  private:
    void WriteRow(const char* time, const char* text, size_t length);
    void EndLine(const char* time);
    void EndHexRow();
    void EndRow();
    void PutText(const char* text, size_t length);
    void PutByte(uint8_t byte);
    void PutRaw(char c);

    FileSystem& files;
    FileSystem::Handle file = FileSystem::kNoFile;
    TextForm form = TextForm::Windows1252CrLf;
    bool writeFailed = false;
    char buffer[kBufferCapacity] = {};
    size_t used = 0;
    char line[kLineCapacity] = {};
    size_t lineLength = 0;
    bool hexRowOpen = false;
};
