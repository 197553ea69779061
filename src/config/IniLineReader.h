#pragma once
#include <cstddef>
#include <cstdint>

#include "config/FileSystem.h"

// The lines of a setup file in whichever form an editor saved it: single
// bytes, or UTF-16 of either byte order after its byte-order mark; a line ends
// at LF, CR LF or a lone CR. Each line comes as its first kLineCapacity
// characters; the rest of a longer line is passed over, so that text inside a
// line (a command line, say) is never taken for a line of its own. A UTF-16
// character outside ASCII becomes kForeignChar, which ends any value, and a
// byte-order mark within the text is dropped.
class IniLineReader {
  public:
    static constexpr size_t kLineCapacity = 179;
    static constexpr char kForeignChar = 0x7F;

    // Reads the file held from its start.
    IniLineReader(FileSystem& files, FileSystem::Handle source) : files(files), file(source) {}

    // The next line into line, without its line end; false at the end of the
    // file.
    bool Next(char (&line)[kLineCapacity], size_t& length);

  private:
    enum class Form { Unknown, Bytes, Utf16Le, Utf16Be };

    int NextChar();
    int NextByte();
    bool Refill();
    void TakeByteOrderMark();

    FileSystem& files;
    FileSystem::Handle file;
    uint64_t offset = 0;
    Form form = Form::Unknown;
    unsigned char block[4096];
    size_t filled = 0;
    size_t position = 0;
};
