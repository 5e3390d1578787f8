#pragma once

#include <QDialog>

class QAction;
class QLabel;
class QScrollArea;
class QToolBar;

// The recorded job prtData() page by page, at zoom 0.5 to 2.0 in steps of 0.25; at 1.0 the
// sheet has its physical size on a screen of the system's logical resolution. The preview
// takes the main window's place while it is open.
class TfrmPreview : public QDialog
{
    Q_OBJECT
public:
    // Shows the job modally; true when the user chose to print.
    static bool ShowWindow();

    explicit TfrmPreview(QWidget *parent = nullptr);

    int FPage = 1; // 1-based
    double FRate = 1.0;

    QToolBar *tolMain = nullptr;
    QAction *actPrint = nullptr;
    QAction *actPrevPage = nullptr;
    QAction *actNextPage = nullptr;
    QAction *actZoomUp = nullptr;
    QAction *actZoomDown = nullptr;
    QAction *actExit = nullptr;
    QScrollArea *scrPreview = nullptr;
    QLabel *imgPreview = nullptr;

    // Renders page FPage at zoom FRate.
    void ShowPage();

private:
    void setupUi();
    void updateActions();
};
