#include "ftable.h"

#include "core/qvmsgbox.h"

void TfrmTable::Compile(QObject *)
{
    // Changes are not compiled yet.
    ShowMessageBox(QStringLiteral("変更箇所が見つかりませんでした。"), MB_ICONINFORMATION);
    setModified(false);
}
