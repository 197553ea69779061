#pragma once
#include <cstddef>
#include <cstdint>

#include "terminal/DisplayText.h"
#include "terminal/ReceiveFormatter.h"

class DisplaySink;

// The receive path's listener on the screen: formats the bytes that pass the
// SyncX gate and DisplayHalt into the display text, and keeps that text
// bounded. A tick's text is appended in one piece; the display is cut back to
// its newest kTrimKeep characters once it holds more than kTrimAbove.
//
// However fast the line runs, a tick costs no more than the text that can
// stay on the screen: bytes whose text the trim would cut anyway only move
// the line position on, so what is shown is exactly what formatting every
// byte would have left.
class ReceiveDisplay final : public FormattedTextSink {
  public:
    static constexpr uint16_t kLineWidth = ReceiveFormatter::kLineWidth;
    static constexpr size_t kTrimAbove = 2300;
    static constexpr size_t kTrimKeep = 2160;
    static constexpr uint8_t kSubstitute = DisplayText::kSubstitute;

    explicit ReceiveDisplay(DisplaySink& view);
    ReceiveDisplay(const ReceiveDisplay&) = delete;
    ReceiveDisplay& operator=(const ReceiveDisplay&) = delete;

    // Back to the start-up state: nothing pending, no record open, no cycle.
    void Reset();
    // One tick's bytes for the screen, in order.
    void ShowBytes(const uint8_t* data, size_t count, ReceiveMode mode);

    void ClearDisplay();
    void AppendToDisplay(const char* text, size_t length);
    void TrimDisplay();

    const DisplayText& Text() const { return display; }
    uint16_t CurrentColumn() const { return formatter.Column(); }

    void FormattedText(const char* text, size_t length, bool hexText, bool pieceEnds) override;

  private:
    size_t FirstShownByte(const uint8_t* data, size_t count, ReceiveMode mode) const;

    DisplayText display;
    ReceiveFormatter formatter{*this};
    // Set while a tick's text is known to outgrow the trim.
    bool replaceWithTail = false;
};
