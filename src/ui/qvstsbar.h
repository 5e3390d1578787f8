#pragma once

#include <QStatusBar>

class QLabel;

// A status bar that the program fills itself, panel by panel: the status tips of actions and
// widgets never overwrite it. Panels are laid out left to right; the last one takes the rest
// of the width.
class TqvStatusBar : public QStatusBar
{
    Q_OBJECT
public:
    explicit TqvStatusBar(QWidget *parent = nullptr);

    // Appends a panel of width pixels (the last panel stretches) and returns its index.
    int AddPanel(int width, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
    int PanelCount() const { return int(m_panels.size()); }
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString &text);
    // Paints the bar at once, for progress texts written from inside a long loop.
    void RepaintNow();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watchWindow();

    QList<QLabel *> m_panels;
    QWidget *m_watched = nullptr;
};
