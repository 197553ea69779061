#pragma once
#include <QString>
#include <cstddef>
#include <string>

// The core counts the display in bytes, with CR LF as two of them, while the
// text document holds one block separator per line end. This mirror keeps the
// bytes the core appended so that byte counts and document positions can be
// converted both ways.
//
// Every line end (CR LF, a lone CR, a lone LF) is one separator. Of a CR LF
// pair the separator belongs to the LF, so a cut that falls between the two
// keeps the separator for the LF that remains.
class DisplayMirror {
  public:
    DisplayMirror();

    void Clear();
    // Records the bytes and returns the document text that stands for them.
    QString Append(const char* text, size_t length);
    // Number of document characters that stand for the first count bytes.
    size_t CharsOfFrontBytes(size_t count) const;
    // Forgets the first count bytes (at most all of them).
    void DeleteFront(size_t count);
    // Byte offset of the given document position.
    size_t ByteOffsetOfChar(size_t position) const;

    size_t ByteCount() const { return bytes.size(); }
    size_t CharCount() const { return CharsOfFrontBytes(bytes.size()); }
    const std::string& Bytes() const { return bytes; }

  private:
    // 0 for the CR of a CR LF pair, 1 for every other byte.
    size_t CharsOfByte(size_t index) const;

    std::string bytes;
};
