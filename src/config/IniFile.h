#pragma once
#include <cstddef>
#include <cstdint>

#include "config/AppPaths.h"
#include "config/FileSystem.h"

class MessageSink;

// What the user is told when the setup file fails. The setup store repeats
// the first two after a failed save or load of its own.
inline constexpr char kIniCreateFailed[] = "ERROR: create IniFile";
inline constexpr char kIniOpenFailed[] = "ERROR: open IniFile";
inline constexpr char kIniCloseFailed[] = "ERROR: close IniFile";

// The size in bytes of the file at path; 0 when it is missing, empty or
// cannot be read (a folder, a link, a file without read permission).
uint64_t FileSize(const char* path, FileSystem& files = PlatformFileSystem());

// True when a file stands at path that cannot be opened for reading (no read
// permission): it holds settings the program cannot see, so it counts neither
// as missing nor as something to write over.
bool FileUnreadable(const char* path, FileSystem& files = PlatformFileSystem());

// text with each control character in the 0x form and two hex digits, as the
// values are written, cut to fit out.
void EscapeControls(const char* text, char* out, size_t capacity);

// The setup file of one AppPaths: written whole from a header and key lines
// ("KEY=value" with CR LF), read back one key at a time by scanning from the
// start. One file is open at a time, for writing or for reading; failures the
// user must know of go to the MessageSink. Results are 1 for success, 0 for
// failure.
class IniFile {
  public:
    static constexpr size_t kMaxKeyLength = 100;
    // Room for the longest value a typed reader converts.
    static constexpr size_t kValueCapacity = 71;
    static constexpr const char* kSideSuffix = ".new";
    static constexpr size_t kSidePathCapacity = AppPaths::kPathCapacity + 4;
    // The whole file as a save writes it: a header of a program name of 355
    // bytes and a command line of 455, every byte of both a control character
    // in its 0x form, still fit with all the other lines. It is also the most
    // a save writes in place (one page of memory).
    static constexpr size_t kContentCapacity = 4096;

    IniFile(const AppPaths& paths, MessageSink& messages, FileSystem& files = PlatformFileSystem());
    // Closes a file still open, without a message.
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    bool CreateForWriting(const char* header);
    // False without a message when the file is missing or empty.
    bool OpenForReading();
    bool Close();
    bool IsOpen() const { return file != FileSystem::kNoFile; }

    bool WriteSection(const char* name);
    // The number is written modulo 65536.
    bool WriteUnsigned(const char* key, unsigned value);
    bool WriteLong(const char* key, uint32_t value);
    // A byte outside 0x21..0x7E is written as 0x followed by two hex digits.
    bool WriteChar(const char* key, char value);
    // A control character in the text is written as 0x and two hex digits.
    bool WriteText(const char* key, const char* text);

    // Copies the value of the first line beginning with "key=" (any case,
    // blanks allowed around the '=') into out, which holds maxLength + 1
    // bytes; the value starts after those blanks and ends at its first byte
    // outside 0x20..0x7E. Returns its length; 0 when missing or empty. Only
    // the start of a line counts, in any of the forms IniLineReader reads.
    size_t FindValue(const char* key, char* out, size_t maxLength);
    // Whether some line sets one of the keys, with a value or without.
    bool HoldsAnyKey(const char* const* keys, size_t count);
    // Each leaves target unchanged and returns false when the key is missing
    // or its value empty.
    bool ReadUnsigned(const char* key, uint16_t& target);  // signed decimal, modulo 65536
    bool ReadLong(const char* key, uint32_t& target);      // saturates at 4294967295
    // The value's first character, or the byte its 0x form (as WriteChar
    // writes it) stands for.
    bool ReadChar(const char* key, char& target);

  private:
    bool WriteRaw(const char* text);
    bool WriteRaw(const char* text, size_t length);
    bool WriteValue(const char* value);
    bool Rewind();
    bool WriteKeyLine(const char* key, const char* value);
    void DropFile();
    bool FinishWriting();
    bool RewriteInPlace();

    const AppPaths& paths;
    MessageSink& messages;
    FileSystem& files;
    FileSystem::Handle file = FileSystem::kNoFile;
    // A save goes to a side file that replaces the setup file only when every
    // byte reached the disk, so a full disk never costs the settings held.
    // In a folder that refuses new files, the setup file is written in place.
    // Either way the lines are collected here and reach the file at Close.
    bool writing = false;
    bool inPlace = false;
    bool writeFailed = false;
    char sidePath[kSidePathCapacity] = {};
    char valueBuffer[kValueCapacity] = {};
    char content[kContentCapacity] = {};
    size_t used = 0;
};
