#pragma once

// The main window for the connection window: the window framework's double (connection
// selector, task bar, multi-document area) with the services a connection window adds, which
// it records for the tests, and a status panel.
#include "appdoubles.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>

#include <functional>

namespace browsertest {

class MainDouble : public appdoubles::TestMainWindow
{
public:
    MainDouble()
    {
        setWindowTitle("Corvane for Postgres");
        m_message = new QLabel(this);
        m_message->setObjectName("stsMainPanel2");
        statusBar()->addWidget(new QLabel(QStringLiteral("        "), this));
        statusBar()->addWidget(new QLabel(QStringLiteral("        "), this));
        statusBar()->addWidget(m_message, 1);
        // The multi-document area gives its children no activation event of their own.
        connect(mdiArea(), &QMdiArea::subWindowActivated, this, [](QMdiSubWindow *sub) {
            if (auto *form = sub ? qobject_cast<TqvForm *>(sub->widget()) : nullptr)
                form->Activate();
        });
    }

    void AddConnection(const QString &key, ConnectionWindow *window) override
    {
        selector()->addItem(key, QVariant::fromValue<QObject *>(window->connectionWidget()));
        selector()->setCurrentIndex(selector()->count() - 1);
        ++gatings;
    }
    void RemoveConnection(ConnectionWindow *window) override
    {
        for (int i = selector()->count() - 1; i >= 0; --i) {
            if (selector()->itemData(i).value<QObject *>() == window->connectionWidget()) {
                selector()->removeItem(i);
                break;
            }
        }
        if (selector()->count() > 0)
            selector()->setCurrentIndex(selector()->count() - 1);
        ++gatings;
    }
    void ConnectionActivated(ConnectionWindow *window) override { activations << window; }
    void SetStatusText(const QString &text) override
    {
        m_message->setText(text);
        statusTexts << text;
    }
    void SetDefMessage() override
    {
        ++defMessages;
        if (CurrentForm())
            m_message->setText(QStringLiteral("0個のオブジェクトがあります。"));
    }
    void ShowWorkSpace(ConnectionWindow *closing) override { workspaceCalls << closing; }
    // The progress of a long loop; onLoopMessage lets a test act in the middle of the loop.
    void SetLoopMessage(int NowCount, int MaxCount) override
    {
        if (onLoopMessage)
            onLoopMessage(NowCount, MaxCount);
    }

    QString message() const { return m_message->text(); }

    int gatings = 0;
    int defMessages = 0;
    QStringList statusTexts;
    QList<ConnectionWindow *> activations;
    QList<ConnectionWindow *> workspaceCalls;
    std::function<void(int, int)> onLoopMessage;

private:
    QLabel *m_message;
};

} // namespace browsertest
