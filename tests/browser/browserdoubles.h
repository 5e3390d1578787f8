#pragma once

// A main window for the connection window: the connection selector, the task bar, the status
// panel and the multi-document area, with the services it offers recorded for the tests.
#include "core/qvappwindows.h"
#include "core/qvfontmap.h"
#include "ui/qvforms.h"

#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QToolBar>

namespace browsertest {

class MainDouble : public QMainWindow, public MainWindowServices
{
public:
    MainDouble()
    {
        setObjectName("frmMain");
        setFont(FormFont());
        setWindowTitle("Corvane for Postgres");
        m_cmbDBName = new QComboBox(this);
        m_cmbDBName->setObjectName("cmbDBName");
        m_cmbDBName->setMinimumWidth(300);
        auto *top = addToolBar("pnlDB");
        top->setObjectName("pnlDB");
        top->addWidget(m_cmbDBName);
        m_tolTask = new QToolBar(this);
        m_tolTask->setObjectName("tolTask");
        m_tolTask->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        addToolBar(Qt::BottomToolBarArea, m_tolTask);
        m_mdi = new QMdiArea(this);
        m_mdi->setObjectName("mdiMain");
        setCentralWidget(m_mdi);
        m_message = new QLabel(this);
        m_message->setObjectName("stsMainPanel2");
        statusBar()->addWidget(new QLabel(QStringLiteral("        "), this));
        statusBar()->addWidget(new QLabel(QStringLiteral("        "), this));
        statusBar()->addWidget(m_message, 1);
        // The multi-document area gives its children no activation event of their own.
        connect(m_mdi, &QMdiArea::subWindowActivated, this, [](QMdiSubWindow *sub) {
            if (auto *form = sub ? qobject_cast<TqvForm *>(sub->widget()) : nullptr)
                form->Activate();
        });
        m_previous = mainWindowServices();
        setMainWindowServices(this);
    }
    ~MainDouble() override { setMainWindowServices(m_previous); }

    QWidget *mainWidget() override { return this; }
    ConnectionWindow *CurrentForm() const override
    {
        if (m_cmbDBName->currentIndex() < 0)
            return nullptr;
        return dynamic_cast<ConnectionWindow *>(m_cmbDBName->currentData().value<QObject *>());
    }
    void SelectConnection(const QString &key) override
    {
        const QSignalBlocker quiet(m_cmbDBName);
        const int index = m_cmbDBName->findText(key, Qt::MatchExactly);
        if (index >= 0)
            m_cmbDBName->setCurrentIndex(index);
    }
    QToolBar *tolTask() const override { return m_tolTask; }
    QIcon imgMain(int) const override { return QIcon(); }
    void ShowChildWindow(QWidget *window) override
    {
        QMdiSubWindow *sub = qobject_cast<QMdiSubWindow *>(window->parentWidget());
        if (!sub)
            sub = m_mdi->addSubWindow(window);
        window->show();
        sub->show();
        m_mdi->setActiveSubWindow(sub);
    }
    void AddConnection(const QString &key, ConnectionWindow *window) override
    {
        m_cmbDBName->addItem(key, QVariant::fromValue<QObject *>(window->connectionWidget()));
        m_cmbDBName->setCurrentIndex(m_cmbDBName->count() - 1);
        ++gatings;
    }
    void RemoveConnection(ConnectionWindow *window) override
    {
        for (int i = m_cmbDBName->count() - 1; i >= 0; --i) {
            if (m_cmbDBName->itemData(i).value<QObject *>() == window->connectionWidget()) {
                m_cmbDBName->removeItem(i);
                break;
            }
        }
        if (m_cmbDBName->count() > 0)
            m_cmbDBName->setCurrentIndex(m_cmbDBName->count() - 1);
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

    QComboBox *selector() const { return m_cmbDBName; }
    QMdiArea *mdiArea() const { return m_mdi; }
    QString message() const { return m_message->text(); }

    int gatings = 0;
    int defMessages = 0;
    QStringList statusTexts;
    QList<ConnectionWindow *> activations;
    QList<ConnectionWindow *> workspaceCalls;

private:
    QComboBox *m_cmbDBName;
    QToolBar *m_tolTask;
    QMdiArea *m_mdi;
    QLabel *m_message;
    MainWindowServices *m_previous = nullptr;
};

} // namespace browsertest
