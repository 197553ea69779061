#pragma once
#include <cstddef>

class DisplaySink;

// The receive display's text, owned here and mirrored by the view: every
// change is made to both, so what is copied, saved or trimmed is decided on
// the same bytes the user sees. Bounded: an append that would overflow first
// drops the oldest text, so the newest text always survives.
//
// The text keeps its bytes (CR LF, lone CR and lone LF as line ends); the
// view gets one '\n' per line end. Which view characters a byte stands for
// follows from the bytes alone: the CR of a CR LF pair stands for none, its
// LF for the line end, every other byte for one character. So a CR shown at
// the end stays that line end when its LF arrives later, and a cut between
// the two leaves the line end to the LF.
class DisplayText {
  public:
    static constexpr size_t kCapacity = 32768;
    // Shown in place of a byte the display cannot show.
    static constexpr unsigned char kSubstitute = 0xA7;

    explicit DisplayText(DisplaySink& sink);
    DisplayText(const DisplayText&) = delete;
    DisplayText& operator=(const DisplayText&) = delete;

    void Clear();
    // A NUL would end a text control's text early: it is kept and shown as
    // the substitute character.
    void Append(const char* text, size_t length);
    // Drops the first count bytes (at most all of them).
    void DeleteFront(size_t count);
    void ClearUndo();
    // Byte offset at which the view's first visible line starts.
    size_t FirstVisibleOffset() const;

    size_t Length() const { return used; }
    // Zero-terminated.
    const char* Data() const { return text; }

  private:
    size_t ViewCharsOf(size_t index) const;
    size_t ViewCharsOfFront(size_t count) const;
    // The view text of the bytes from start on, into viewText.
    size_t ConvertForView(size_t start);

    DisplaySink& sink;
    char text[kCapacity + 1] = {};
    size_t used = 0;
    char viewText[kCapacity + 1] = {};
};
