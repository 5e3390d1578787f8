#include "qvmacro.h"

void TqvMacroList::Clear()
{
    m_items.clear();
}

void TqvMacroList::Add(const TKeyMacroData &data)
{
    if (FStatus == msRecording)
        m_items.append(data);
}
