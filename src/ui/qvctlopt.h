#pragma once

class QMenu;
class QWidget;
class TqvMacroList;
struct TqvEditorSettings;

// The look that SQL editors, plain memos and data grids take from the user's options rather
// than from their window. Windows call ApplyControlOptions on each such control when they
// build or show it; it copies the settings once and keeps no state.
//
// The first of these rules that fits the control's class (or a base of it) applies:
//   1. a plain memo (QPlainTextEdit, QTextEdit): the font of the editor settings (EditorOption)
//   2. an SQL editor control (TqvEditorControl): every editor setting, the shared popup menu
//      and the shared keyboard-macro list
//   3. TqvStringGrid: the access grid mode (its own font stays)
//   4. any other string grid (QTableWidget): the data font of the options, fixed pitch
//   5. TqvDBGridV: the data font, fixed pitch
//   6. TqvDBGridH: the data font, fixed pitch, then a default column width of DataColWidthH
//      letters "A" in that font
// Any other control is left as it is.
void ApplyControlOptions(QWidget *control);

// The SQL editor control implements this, so that rule 2 reaches it from this library, which
// lies below the editor's.
class TqvEditorControl
{
public:
    virtual ~TqvEditorControl() = default;
    // Takes every setting of settings, popup as its context menu and macros as the list it
    // records keyboard macros into and replays them from.
    virtual void ApplyEditorOptions(const TqvEditorSettings &settings, QMenu *popup,
                                    TqvMacroList *macros)
        = 0;
};

// The one context menu of every SQL editor; the main window sets it when it creates it.
void SetSharedEditorPopup(QMenu *menu);
QMenu *SharedEditorPopup();
