#pragma once
#include "config/MessageSink.h"

// What opens on top of the main window. Modal: the window's timers keep
// ticking while any of it is shown.
class Desktop : public MessageSink {
  public:
    ~Desktop() override = default;
};
