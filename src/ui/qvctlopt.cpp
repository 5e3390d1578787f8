#include "qvctlopt.h"

#include "qvdbgrid.h"
#include "qvgrid.h"

#include "core/qveditorsettings.h"
#include "core/qvfontmap.h"
#include "core/qvoption.h"
#include "core/qvsub.h"

#include <QFontMetrics>
#include <QMenu>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTableWidget>
#include <QTextEdit>

namespace qvctlopt {

QPointer<QMenu> sharedPopup;

QFont dataFont()
{
    return MapFont(AppOption.DataFontName, AppOption.DataFontSize, true);
}

void applyEditorFont(QWidget *memo)
{
    const auto &font = EditorOption.Font;
    memo->setFont(MapFont(font.Name, font.Size, font.FixedPitch));
    const QColor colour = EditorColorToQColor(font.Color);
    if (colour.isValid()) {
        QPalette palette = memo->palette();
        palette.setColor(QPalette::Text, colour);
        memo->setPalette(palette);
    }
}

} // namespace qvctlopt

void SetSharedEditorPopup(QMenu *menu)
{
    qvctlopt::sharedPopup = menu;
}

QMenu *SharedEditorPopup()
{
    return qvctlopt::sharedPopup;
}

void ApplyControlOptions(QWidget *control)
{
    if (!control)
        return;
    if (qobject_cast<QPlainTextEdit *>(control) || qobject_cast<QTextEdit *>(control)) {
        qvctlopt::applyEditorFont(control);
    } else if (auto *editor = dynamic_cast<TqvEditorControl *>(control)) {
        editor->ApplyEditorOptions(EditorOption, SharedEditorPopup(), MacroList);
    } else if (auto *grid = qobject_cast<TqvStringGrid *>(control)) {
        grid->setGridMode(geAccess);
    } else if (qobject_cast<QTableWidget *>(control)) {
        control->setFont(qvctlopt::dataFont());
    } else if (qobject_cast<TqvDBGridV *>(control)) {
        control->setFont(qvctlopt::dataFont());
    } else if (auto *transposed = qobject_cast<TqvDBGridH *>(control)) {
        transposed->setFont(qvctlopt::dataFont());
        const QString letters(qMax(0, AppOption.DataColWidthH), QLatin1Char('A'));
        transposed->setDefaultColWidth(QFontMetrics(transposed->font()).horizontalAdvance(letters));
    }
}
