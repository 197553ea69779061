#pragma once

// Where the program's failure messages go: a modal message box with the
// exclamation icon and an OK button, captioned with the executable's base
// name. The call returns when the user has confirmed it.
class MessageSink {
  public:
    virtual ~MessageSink() = default;
    virtual void ShowMessage(const char* text) = 0;
};
