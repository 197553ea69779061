#include "window/StatusLine.h"

#include "window/MainView.h"

StatusLine::StatusLine(MainView& view) : view(view) {}

void StatusLine::Show(const char* text) {
    view.SetFieldText(MainControl::kStatusLine, text);
    holdTicks = 0;
}

void StatusLine::ShowHeld(const char* text, uint16_t ticks) {
    view.SetFieldText(MainControl::kStatusLine, text);
    holdTicks = ticks;
}

void StatusLine::ShowUnlessHeld(const char* text) {
    if (!IsHeld()) view.SetFieldText(MainControl::kStatusLine, text);
}

void StatusLine::Hold(uint16_t ticks) {
    holdTicks = ticks;
}

void StatusLine::Tick() {
    if (holdTicks > 0) --holdTicks;
}
