#pragma once

class TqvMemo;

// The window (or frame) that holds an editor implements this to open code assist. The editor
// asks the nearest of its parents that implements it, synchronously, when F6 goes down (with
// any modifier), after "." is typed into an editable editor, and for Ctrl+Space (which types
// nothing). x and y are the caret's position in the editor's viewport.
class TqvCodeAssistOwner
{
public:
    virtual ~TqvCodeAssistOwner() = default;
    virtual void WMCodeAssist(TqvMemo *editor, int x, int y) = 0;
};
