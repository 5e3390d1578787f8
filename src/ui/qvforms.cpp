#include "qvforms.h"

#include "qvctlopt.h"
#include "qvimages.h"
#include "qvstdctl.h"

#include "core/qvappwindows.h"
#include "core/qvfontmap.h"
#include "core/qvmsgbox.h"
#include "core/qvname.h"
#include "core/qvoption.h"
#include "core/qvreg.h"
#include "core/qvsub.h"
#include "platform/pg/dataset.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QSet>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

#include <utility>

namespace qvforms {

constexpr int taskCaptionLength = 12;
constexpr int taskButtonWidth = 104;
constexpr int taskButtonHeight = 24;

// Hands Ctrl+PgUp and Ctrl+PgDn to the window with key preview that holds the focused
// control, before that control sees them.
class KeyPreviewFilter : public QObject
{
public:
    static KeyPreviewFilter *instance()
    {
        static QPointer<KeyPreviewFilter> filter;
        if (!filter) {
            filter = new KeyPreviewFilter(qApp);
            qApp->installEventFilter(filter);
        }
        return filter;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if ((event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
            || !watched->isWidgetType())
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_PageUp && key->key() != Qt::Key_PageDown)
            return false;
        TqvForm *form = nullptr;
        for (auto *w = static_cast<QWidget *>(watched); w && !form; w = w->parentWidget()) {
            auto *candidate = qobject_cast<TqvForm *>(w);
            if (candidate && candidate->KeyPreview())
                form = candidate;
        }
        if (!form || !(key->modifiers() & Qt::ControlModifier))
            return false;
        if (event->type() == QEvent::ShortcutOverride) {
            // Claim the key, so that no shortcut takes it before the press arrives here.
            event->accept();
            return true;
        }
        return form->FormKeyDown(key);
    }

private:
    using QObject::QObject;
};

// The first count characters of text, whole code points.
QString leftCodePoints(const QString &text, int count, bool *cut)
{
    int i = 0;
    int n = 0;
    while (i < text.size() && n < count) {
        i += (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        ++n;
    }
    *cut = i < text.size();
    return text.left(i);
}

QString guiKey(const QString &name)
{
    return QString::fromLatin1(QvRegistryRoot) + QStringLiteral("\\GUI\\") + name;
}

} // namespace qvforms

TqvForm::TqvForm(QObject *AOwner, bool needsConnection)
    : QWidget(nullptr)
    , m_owner(AOwner)
{
    setFont(FormFont());
    m_useLowerName = AppOption.UseLowerName;

    MainWindowServices *main = mainWindowServices();
    ConnectionWindow *binding = nullptr;
    if (auto *connection = dynamic_cast<ConnectionWindow *>(AOwner))
        binding = connection;
    else if (main && AOwner && AOwner == main->mainWidget())
        binding = main->CurrentForm();
    else if (auto *form = qobject_cast<TqvForm *>(AOwner))
        binding = form->OwnerForm();
    m_ownerForm = binding;
    watchOwnerForm();

    if (needsConnection && !m_ownerForm) {
        ShowMessageBox(QStringLiteral("データベースに接続されていません。\n"
                                      "データベースに接続してから開いてください。"),
                       MB_OK | MB_ICONWARNING);
        throw SilentAbort();
    }

    // A window owned by a connection window (or by another window) goes with its owner.
    if (AOwner && AOwner != (main ? main->mainWidget() : nullptr)) {
        connect(AOwner, &QObject::destroyed, this, [this] {
            m_owner = nullptr;
            hide();
            deleteLater();
        });
    }
}

TqvForm::~TqvForm()
{
    if (m_modalLoop)
        m_modalLoop->quit();
    // The button leaves the task bar with its action.
    if (m_taskAction)
        delete m_taskAction.data();
    else if (m_taskButton)
        delete m_taskButton.data();
    const QList<pg::DataSet *> sets = findChildren<pg::DataSet *>();
    for (pg::DataSet *set : sets)
        set->close();
}

void TqvForm::InitForm()
{
    if (m_initialized)
        return;
    m_initialized = true;
    walkComponents();
    rebindQueries();
    LoadWindowState();
}

void TqvForm::walkComponents()
{
    const QList<QWidget *> widgets = findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (dynamic_cast<TqvEditorControl *>(widget))
            ApplyControlOptions(widget);
        if (m_useLowerName) {
            if (auto *edit = qobject_cast<TqvStrEdit *>(widget))
                edit->setCharCase(ecNormal);
            else if (auto *combo = qobject_cast<TqvComboBox *>(widget))
                combo->setCharCase(ecNormal);
        }
        if (!m_pageControl) {
            if (auto *pages = qobject_cast<QTabWidget *>(widget))
                m_pageControl = pages;
        }
    }
}

void TqvForm::setOwnerForm(ConnectionWindow *form)
{
    if (form == m_ownerForm)
        return;
    m_ownerForm = form;
    watchOwnerForm();
    rebindQueries();
    Q_EMIT ownerFormChanged(form);
}

void TqvForm::rebindQueries()
{
    pg::Connection *connection = m_ownerForm ? m_ownerForm->dbsMain() : nullptr;
    const QList<pg::DataSet *> sets = findChildren<pg::DataSet *>();
    for (pg::DataSet *set : sets)
        set->setConnection(connection);
}

void TqvForm::watchOwnerForm()
{
    disconnect(m_ownerFormWatch);
    m_ownerFormWidget = m_ownerForm ? m_ownerForm->connectionWidget() : nullptr;
    if (m_ownerFormWidget) {
        m_ownerFormWatch
            = connect(m_ownerFormWidget, &QObject::destroyed, this, [this] { ownerFormGone(); });
    }
}

void TqvForm::ownerFormGone()
{
    // The session went with its window: nothing may reach it any more.
    m_ownerForm = nullptr;
    m_ownerFormWidget = nullptr;
    const QList<pg::DataSet *> sets = findChildren<pg::DataSet *>();
    for (pg::DataSet *set : sets)
        set->setConnection(nullptr);
    Q_EMIT ownerFormChanged(nullptr);
}

void TqvForm::setObjType(int objType)
{
    if (objType == m_objType)
        return;
    m_objType = objType;
    SetWindowIcon(objType);
}

void TqvForm::setIsNew(bool isNew)
{
    m_isNew = isNew;
    ChangedIsNew();
}

void TqvForm::setKeyPreview(bool on)
{
    m_keyPreview = on;
    if (on)
        qvforms::KeyPreviewFilter::instance();
}

QToolButton *TqvForm::TaskButton() const
{
    return m_taskButton;
}

QTabWidget *TqvForm::PageControl() const
{
    return m_pageControl;
}

QString TqvForm::TaskCaption() const
{
    return m_taskButton ? m_taskButton->text() : QString();
}

void TqvForm::setTaskCaption(const QString &caption)
{
    if (!m_taskButton)
        return;
    bool cut = false;
    const QString shown = qvforms::leftCodePoints(caption, qvforms::taskCaptionLength, &cut);
    m_taskButton->setText(cut ? shown + QChar(0x2026) : shown);
}

void TqvForm::CreateTaskButton()
{
    MainWindowServices *main = mainWindowServices();
    QToolBar *bar = main ? main->tolTask() : nullptr;
    if (!bar)
        return;
    if (!m_taskButton) {
        auto *button = new QToolButton;
        button->setObjectName(QStringLiteral("btnTask"));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        // At least the task bar's button width; wider where this platform's font needs more
        // room for a caption of twelve characters.
        button->setMinimumSize(qvforms::taskButtonWidth, qvforms::taskButtonHeight);
        button->setMaximumHeight(qvforms::taskButtonHeight);
        button->setIconSize(QSize(16, 16));
        button->setAutoRaise(true);
        button->setCheckable(true);
        connect(button, &QToolButton::clicked, this, [this] { showFront(); });
        m_taskButton = button;
        m_taskAction = bar->addWidget(button);
        if (m_objType != 0)
            button->setIcon(MainImage(m_objType));
    }
    m_taskButton->setToolTip(windowTitle());
    // the task bar's pop-up menu finds the window of the button under the mouse by this
    m_taskButton->setProperty("Tag", QVariant::fromValue<QObject *>(this));
    auto *group
        = bar->findChild<QButtonGroup *>(QStringLiteral("grpTask"), Qt::FindDirectChildrenOnly);
    if (!group) {
        group = new QButtonGroup(bar);
        group->setObjectName(QStringLiteral("grpTask"));
        group->setExclusive(true);
    }
    if (m_taskButton->group() != group)
        group->addButton(m_taskButton);
    m_taskButton->setChecked(true);
}

void TqvForm::SetWindowIcon(int index)
{
    const QIcon icon = MainImage(index);
    setWindowIcon(icon);
    if (m_taskButton)
        m_taskButton->setIcon(icon);
}

QString RefSchemaPrefix(const QString &schema, const QString &baseSchema, TSourceMode mode)
{
    if (mode == smText) {
        if (ScriptOption.Owner == 1) {
            if (schema.trimmed() == baseSchema.trimmed())
                return QString();
        } else if (ScriptOption.Owner != 0) {
            return QString();
        }
    }
    if (schema.trimmed().isEmpty())
        return QString();
    return QuoteName(schema) + QLatin1Char('.');
}

QString TqvForm::GetRefSchemaPrefix(const QString &schema, const QString &baseSchema) const
{
    return RefSchemaPrefix(schema, baseSchema, SourceMode);
}

QString TqvForm::GetSchemaPrefix(const QString &schema) const
{
    return GetRefSchemaPrefix(schema, schema);
}

bool TqvForm::CloseQuery()
{
    bool result = true;
    try {
        FormCloseQuery(result);
        if (m_modified && !m_isToastObject) {
            switch (ShowMessageBox(QStringLiteral("情報が変更されています。コンパイルしますか？"),
                                   MB_YESNOCANCEL | MB_ICONQUESTION)) {
            case IDCANCEL:
                result = false;
                break;
            case IDYES:
                Compile(this);
                if (m_modified)
                    result = false;
                break;
            default:
                break;
            }
        }
        if (result)
            SaveWindowState();
    } catch (...) {
        ShowExceptionMessage(std::current_exception());
        result = false;
    }
    return result;
}

bool TqvForm::FormKeyDown(const QKeyEvent *event)
{
    const int key = event->key();
    if ((key != Qt::Key_PageUp && key != Qt::Key_PageDown)
        || !(event->modifiers() & Qt::ControlModifier))
        return false;
    if (m_pageControl && m_pageControl->count() > 1) {
        const int next = m_pageControl->currentIndex() + (key == Qt::Key_PageUp ? -1 : 1);
        m_pageControl->tabBar()->setFocus(Qt::TabFocusReason);
        if (next >= 0 && next < m_pageControl->count())
            m_pageControl->setCurrentIndex(next);
    }
    return true;
}

void TqvForm::Activate()
{
    FormActivate();
    MainWindowServices *main = mainWindowServices();
    if (m_ownerForm && main)
        main->SelectConnection(ConnectionKey(*m_ownerForm));
    if (m_taskButton)
        m_taskButton->setChecked(true);
}

void TqvForm::showFront()
{
    if (MainWindowServices *main = mainWindowServices()) {
        main->ShowChildWindow(this);
    } else {
        show();
        raise();
        activateWindow();
    }
}

int TqvForm::ShowModal()
{
    QPointer<TqvForm> self(this);
    m_modalResult = 0;
    setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    m_modalLoop = &loop;
    show();
    if (m_modalResult == 0)
        loop.exec();
    if (!self)
        return IDCANCEL;
    m_modalLoop = nullptr;
    hide();
    setWindowModality(Qt::NonModal);
    return m_modalResult;
}

void TqvForm::setModalResult(int result)
{
    m_modalResult = result;
    if (result != 0 && m_modalLoop)
        m_modalLoop->quit();
}

QWidget *TqvForm::frameWidget() const
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        return sub;
    return const_cast<TqvForm *>(this);
}

void TqvForm::LoadWindowSize(const QString &name)
{
    if (!AppRegistry)
        return;
    QWidget *frame = frameWidget();
    if (!AppRegistry->OpenKey(qvforms::guiKey(name), true))
        return;
    if (!(frame->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized))) {
        const bool stored = AppRegistry->ValueExists(QStringLiteral("Width"))
            || AppRegistry->ValueExists(QStringLiteral("Height"));
        const int width = AppRegistry->GetInteger(QStringLiteral("Width"), frame->width());
        const int height = AppRegistry->GetInteger(QStringLiteral("Height"), frame->height());
        frame->resize(width, height);
        // The stored figures are the frame's. A window that joins the work area later gets a
        // frame of that size, not one around a window of that size, or it would grow by the
        // frame at every open.
        if (stored && frame == this)
            m_storedFrameSize = QSize(width, height);
    }
    AppRegistry->CloseKey();
}

QSize TqvForm::TakeStoredFrameSize()
{
    return std::exchange(m_storedFrameSize, QSize());
}

void TqvForm::SaveWindowSize(const QString &name)
{
    if (!AppRegistry)
        return;
    QWidget *frame = frameWidget();
    if (!AppRegistry->OpenKey(qvforms::guiKey(name), true))
        return;
    if (!(frame->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized))) {
        AppRegistry->WriteInteger(QStringLiteral("Width"), frame->width());
        AppRegistry->WriteInteger(QStringLiteral("Height"), frame->height());
    }
    AppRegistry->CloseKey();
}

bool TqvForm::event(QEvent *event)
{
    switch (AppMessageEvent::messageOf(event)) {
    case QvMsgConnectionListChanged:
        RunGuarded([this] { DBChange(this); });
        return true;
    case QvMsgReload:
        RunGuarded([this] { Reload(this); });
        return true;
    default:
        break;
    }
    if (event->type() == QEvent::WindowActivate && isWindow())
        RunGuarded([this] { Activate(); });
    return QWidget::event(event);
}

void TqvForm::closeEvent(QCloseEvent *event)
{
    if (!CloseQuery()) {
        event->ignore();
        return;
    }
    if (m_modalLoop) {
        if (m_modalResult == 0)
            m_modalResult = IDCANCEL;
        m_modalLoop->quit();
        event->accept();
        return;
    }
    TCloseAction action = caFree;
    if (!RunGuarded([this, &action] { FormClose(action); })) {
        event->ignore();
        return;
    }
    switch (action) {
    case caNone:
        event->ignore();
        break;
    case caHide:
        event->accept();
        break;
    case caMinimize:
        event->ignore();
        frameWidget()->showMinimized();
        break;
    case caFree:
        event->accept();
        if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
            sub->deleteLater();
        else
            deleteLater();
        break;
    }
}

void TqvForm::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::WindowTitleChange && m_taskButton)
        m_taskButton->setToolTip(windowTitle());
    QWidget::changeEvent(event);
}

void ShowForm(TqvForm *window)
{
    if (MainWindowServices *main = mainWindowServices()) {
        main->ShowChildWindow(window);
    } else {
        window->show();
        window->raise();
        window->activateWindow();
    }
}
