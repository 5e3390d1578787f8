#include "qvlongtext.h"

#include "core/qvmsgbox.h"

namespace qvlongtext {

TLongTextEditor &editor()
{
    static TLongTextEditor current;
    return current;
}

} // namespace qvlongtext

TLongTextEditor SetLongTextEditor(TLongTextEditor editor)
{
    TLongTextEditor previous = std::move(qvlongtext::editor());
    qvlongtext::editor() = std::move(editor);
    return previous;
}

bool HasLongTextEditor()
{
    return bool(qvlongtext::editor());
}

int ShowLongTextEditor(QString &AComment, bool &io_bNull, bool i_bNullShow, bool i_bReadOnly)
{
    if (!qvlongtext::editor()) {
        ShowMessageBox(QStringLiteral("文字列の編集画面を開けません。"), MB_OK | MB_ICONWARNING);
        return IDCANCEL;
    }
    // a copy, so that an editor that registers another one meanwhile stays alive for the call
    const TLongTextEditor editor = qvlongtext::editor();
    return editor(AComment, io_bNull, i_bNullShow, i_bReadOnly);
}
