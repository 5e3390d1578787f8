#pragma once

#include <QList>
#include <QString>
#include <Qt>

// The keyboard macro that every SQL editor records into and replays from. There is one list in
// the process (MacroList, qvsub.h): a macro recorded in one editor replays in any other. The
// editors drive the status through their BeginRec, EndRec, CancelRec, Execute and CancelExec.

enum TqvMacroStatus { msNone, msRecording, msWaiting, msRunning };

// One recorded input: a key press, or text the input method committed (which arrives once, so
// it is recorded and replayed once).
struct TKeyMacroData
{
    enum Kind { KeyPress, InputMethod };
    Kind kind = KeyPress;
    int key = 0;
    Qt::KeyboardModifiers modifiers;
    QString text; // the key's text, or the committed text
    bool autoRepeat = false;
    quint32 nativeScanCode = 0;
    quint32 nativeVirtualKey = 0;
    quint32 nativeModifiers = 0;
};

class TqvMacroList
{
public:
    TqvMacroList() = default;
    TqvMacroList(const TqvMacroList &) = delete;
    TqvMacroList &operator=(const TqvMacroList &) = delete;
    virtual ~TqvMacroList() = default;

    virtual void Clear();
    // Appends one input while recording; ignored in any other status.
    virtual void Add(const TKeyMacroData &data);

    TqvMacroStatus Status() const { return FStatus; }
    void SetStatus(TqvMacroStatus status) { FStatus = status; }
    int Count() const { return int(m_items.size()); }
    const TKeyMacroData &Items(int index) const { return m_items.at(index); }

private:
    QList<TKeyMacroData> m_items;
    TqvMacroStatus FStatus = msNone;
};
