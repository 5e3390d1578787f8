#include "qvimages.h"

#include "core/qvappwindows.h"

#include <QApplication>
#include <QHash>
#include <QIcon>
#include <QStyle>

namespace qvimages {

QStyle::StandardPixmap standInFor(int index)
{
    switch (index) {
    case 21: // copy
        return QStyle::SP_FileDialogDetailedView;
    case 35: // previous record
        return QStyle::SP_ArrowBack;
    case 36: // next record
        return QStyle::SP_ArrowForward;
    case 37: // first record
        return QStyle::SP_MediaSkipBackward;
    case 38: // last record
        return QStyle::SP_MediaSkipForward;
    case 39: // insert a record
        return QStyle::SP_FileDialogNewFolder;
    case 40: // delete records
        return QStyle::SP_TrashIcon;
    case 44: // workbook output
        return QStyle::SP_DialogSaveButton;
    case 87: // one record per row or per column
        return QStyle::SP_FileDialogListView;
    case 88: // edit mode
        return QStyle::SP_FileDialogContentsView;
    case 45: // table
    case 47: // view
    case 61: // materialized view
        return QStyle::SP_FileDialogInfoView;
    default:
        return QStyle::SP_FileIcon;
    }
}

} // namespace qvimages

QIcon MainImage(int index)
{
    if (MainWindowServices *main = mainWindowServices()) {
        const QIcon icon = main->imgMain(index);
        if (!icon.isNull())
            return icon;
    }
    // Each style icon read once: reading one decodes every size of its picture. The icons go
    // with the application object and are read anew under another style.
    static QHash<int, QIcon> standIns;
    static const QStyle *standInStyle = nullptr;
    QStyle *style = QApplication::style();
    if (standInStyle != style) {
        if (!standInStyle)
            qAddPostRoutine([] {
                standIns.clear();
                standInStyle = nullptr;
            });
        standIns.clear();
        standInStyle = style;
    }
    const QStyle::StandardPixmap standIn = qvimages::standInFor(index);
    auto found = standIns.constFind(int(standIn));
    if (found == standIns.cend())
        found = standIns.insert(int(standIn), style->standardIcon(standIn));
    return found.value();
}
