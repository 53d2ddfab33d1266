#pragma once
#include <string>

// Where a layer tells the user what happened, in a line of text: the main window's status panel
// in the program, a list in tests. The layers below the window get one of these from above
// rather than knowing the window; every call comes from the user-interface thread or before any
// window exists.
class StatusSink {
public:
    virtual ~StatusSink() = default;
    // A success or a normal event.
    virtual void Info(const std::wstring& text) = 0;
    // A failure.
    virtual void Error(const std::wstring& text) = 0;
};
