#include "qvstsbar.h"

#include <QEvent>
#include <QLabel>

TqvStatusBar::TqvStatusBar(QWidget *parent)
    : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    watchWindow();
}

int TqvStatusBar::AddPanel(int width, Qt::Alignment alignment)
{
    if (!m_panels.isEmpty()) {
        // The panel that stretched so far gets its own width back.
        QLabel *previous = m_panels.last();
        removeWidget(previous);
        previous->setFixedWidth(previous->property("panelWidth").toInt());
        addWidget(previous, 0);
        previous->show();
    }
    auto *panel = new QLabel(this);
    panel->setObjectName(QStringLiteral("Panel%1").arg(m_panels.size()));
    panel->setAlignment(alignment);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setProperty("panelWidth", width);
    panel->setMinimumWidth(width);
    addWidget(panel, 1);
    m_panels.append(panel);
    return int(m_panels.size() - 1);
}

QString TqvStatusBar::PanelText(int index) const
{
    const QLabel *panel = m_panels.value(index);
    return panel ? panel->text() : QString();
}

void TqvStatusBar::SetPanelText(int index, const QString &text)
{
    if (QLabel *panel = m_panels.value(index))
        panel->setText(text);
}

void TqvStatusBar::RepaintNow()
{
    for (QLabel *panel : std::as_const(m_panels))
        panel->repaint();
    repaint();
}

bool TqvStatusBar::event(QEvent *event)
{
    if (event->type() == QEvent::ParentChange)
        watchWindow();
    return QStatusBar::event(event);
}

void TqvStatusBar::watchWindow()
{
    // A main window writes every status tip into its status bar; the tips stop at the window.
    QWidget *window = parentWidget();
    if (window == m_watched)
        return;
    if (m_watched)
        m_watched->removeEventFilter(this);
    m_watched = window;
    if (m_watched)
        m_watched->installEventFilter(this);
}

bool TqvStatusBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_watched && event->type() == QEvent::StatusTip)
        return true;
    return QStatusBar::eventFilter(watched, event);
}
