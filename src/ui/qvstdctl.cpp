#include "qvstdctl.h"

#include "core/qvnumtext.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDialog>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QTabBar>
#include <QTabWidget>
#include <QValidator>

namespace qvstdctl {

// Return belongs to the default button of a dialog when there is one, as in any dialog; the
// controls move the focus on only where no such button waits for it.
static bool dialogTakesReturn(const QWidget *control)
{
    const auto *dialog = qobject_cast<const QDialog *>(control->window());
    if (!dialog)
        return false;
    const QList<QPushButton *> buttons = dialog->findChildren<QPushButton *>();
    for (const QPushButton *button : buttons)
        if (button->isDefault() && button->isVisible() && button->isEnabled()
            && button->window() == dialog)
            return true;
    return false;
}

static bool isReturn(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

// Tab and Shift+Tab without Ctrl or Alt: the keys that move the focus.
static bool isFocusTab(const QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    return (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
        && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

static void applyDisabledColour(QWidget *widget)
{
    // Disabled boxes look like the button face around them, enabled ones like a window.
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Disabled, QPalette::Base,
                     palette.color(QPalette::Active, QPalette::Button));
    palette.setColor(QPalette::Active, QPalette::Base,
                     QApplication::palette(widget).color(QPalette::Active, QPalette::Base));
    palette.setColor(QPalette::Inactive, QPalette::Base,
                     QApplication::palette(widget).color(QPalette::Inactive, QPalette::Base));
    widget->setPalette(palette);
}

// Forces the letter case of everything typed into an edit.
class CharCaseValidator : public QValidator
{
public:
    CharCaseValidator(TEditCharCase charCase, QObject *parent)
        : QValidator(parent)
        , m_charCase(charCase)
    { }
    State validate(QString &input, int &) const override
    {
        if (m_charCase == ecUpperCase)
            input = input.toUpper();
        else if (m_charCase == ecLowerCase)
            input = input.toLower();
        return Acceptable;
    }

private:
    TEditCharCase m_charCase;
};

// The one filter that carries out the page keys of every window that asked for them.
class PageSwitchFilter : public QObject
{
public:
    static PageSwitchFilter *instance()
    {
        static QPointer<PageSwitchFilter> filter;
        if (!filter) {
            filter = new PageSwitchFilter(qApp);
            qApp->installEventFilter(filter);
        }
        return filter;
    }

    void watch(QWidget *window)
    {
        m_windows.insert(window);
        connect(window, &QObject::destroyed, this,
                [this](QObject *gone) { m_windows.remove(gone); });
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() != Qt::Key_PageUp && key->key() != Qt::Key_PageDown)
            || !(key->modifiers() & Qt::ControlModifier) || !watched->isWidgetType())
            return false;
        QWidget *window = nullptr;
        for (auto *w = static_cast<QWidget *>(watched); w; w = w->parentWidget())
            if (m_windows.contains(w)) {
                window = w;
                break;
            }
        if (!window)
            return false;
        if (event->type() == QEvent::ShortcutOverride) {
            // Claim the key so that no shortcut takes it before the press arrives here.
            event->accept();
            return true;
        }
        if (auto *pages = window->findChild<QTabWidget *>()) {
            const int next = pages->currentIndex() + (key->key() == Qt::Key_PageUp ? -1 : 1);
            if (pages->count() > 1 && next >= 0 && next < pages->count()) {
                pages->tabBar()->setFocus(Qt::TabFocusReason);
                pages->setCurrentIndex(next);
            }
        }
        return true;
    }

private:
    using QObject::QObject;
    QSet<QObject *> m_windows;
};

} // namespace qvstdctl

using namespace qvstdctl;

QString qvstdctl::trimBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

void InstallPageSwitchKeys(QWidget *window)
{
    PageSwitchFilter::instance()->watch(window);
}

// --- TqvStrEdit

TqvStrEdit::TqvStrEdit(QWidget *parent)
    : QLineEdit(parent)
{
    applyDisabledColour(this);
}

void TqvStrEdit::setCharCase(TEditCharCase charCase)
{
    if (m_charCase == charCase)
        return;
    m_charCase = charCase;
    setValidator(charCase == ecNormal ? nullptr : new CharCaseValidator(charCase, this));
}

bool TqvStrEdit::event(QEvent *event)
{
    if (m_wantTabs && isFocusTab(event)) {
        // The key is the control's own: it goes nowhere else, also when nothing uses it.
        keyPressEvent(static_cast<QKeyEvent *>(event));
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void TqvStrEdit::keyPressEvent(QKeyEvent *event)
{
    if (m_wantReturns && isReturn(event) && !dialogTakesReturn(this)) {
        focusNextPrevChild(true);
        event->accept();
        return;
    }
    if (m_wantArrow) {
        switch (event->key()) {
        case Qt::Key_Up:
            focusNextPrevChild(false);
            event->accept();
            return;
        case Qt::Key_Down:
            focusNextPrevChild(true);
            event->accept();
            return;
        case Qt::Key_Left:
            if (cursorPosition() == 0 && !hasSelectedText())
                focusNextPrevChild(false);
            break;
        case Qt::Key_Right:
            if (cursorPosition() == text().size())
                focusNextPrevChild(true);
            break;
        default:
            break;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TqvStrEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    if (m_autoSave)
        Save();
}

void TqvStrEdit::changeEvent(QEvent *event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        update();
}

// --- TqvNumEdit

TqvNumEdit::TqvNumEdit(QWidget *parent)
    : TqvStrEdit(parent)
{
    setValidator(new NumericTextValidator(this));
    // Digits typed through an input method arrive full-width and would only be filtered away.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setInputMethodHints(Qt::ImhFormattedNumbersOnly);
}

bool TqvNumEdit::AllowMinus() const
{
    const auto *numeric = qobject_cast<const NumericTextValidator *>(validator());
    return numeric && numeric->allowMinus();
}

void TqvNumEdit::setAllowMinus(bool allow)
{
    if (auto *numeric = qobject_cast<NumericTextValidator *>(const_cast<QValidator *>(validator())))
        numeric->setAllowMinus(allow);
}

double TqvNumEdit::ValueFloat() const
{
    return StrToFloatDefault(text(), 0);
}

void TqvNumEdit::setValueFloat(double value)
{
    const QString formatted = FloatToDecimalText(value);
    if (!text().isEmpty() || formatted != QStringLiteral("0"))
        setText(formatted);
}

qint32 TqvNumEdit::ValueInt() const
{
    return TryValueInt().value_or(0);
}

std::optional<qint32> TqvNumEdit::TryValueInt() const
{
    return RoundToInt32(ValueFloat());
}

void TqvNumEdit::setValueInt(qint32 value)
{
    if (!text().isEmpty() || value != 0)
        setText(QString::number(value));
}

void TqvNumEdit::focusInEvent(QFocusEvent *event)
{
    TqvStrEdit::focusInEvent(event);
    selectAll();
}

// --- TqvComboBox

TqvComboBox::TqvComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setMaxVisibleItems(20);
    setInsertPolicy(QComboBox::NoInsert);
    applyDisabledColour(this);
}

void TqvComboBox::setCharCase(TEditCharCase charCase)
{
    if (m_charCase == charCase)
        return;
    m_charCase = charCase;
    if (isEditable())
        setValidator(charCase == ecNormal ? nullptr : new CharCaseValidator(charCase, this));
}

void TqvComboBox::dropCompleter()
{
    // Typed text is the user's own; the combo box must not finish it from its items.
    if (isEditable() && completer())
        setCompleter(nullptr);
    if (isEditable() && m_charCase != ecNormal && !validator())
        setValidator(new CharCaseValidator(m_charCase, this));
}

bool TqvComboBox::event(QEvent *event)
{
    if (m_wantTabs && isFocusTab(event)) {
        // The key is the control's own: it goes nowhere else, also when nothing uses it.
        keyPressEvent(static_cast<QKeyEvent *>(event));
        event->accept();
        return true;
    }
    return QComboBox::event(event);
}

void TqvComboBox::keyPressEvent(QKeyEvent *event)
{
    dropCompleter();
    if (m_wantReturns && isReturn(event) && !dialogTakesReturn(this)) {
        focusNextPrevChild(true);
        event->accept();
        return;
    }
    if (m_wantArrow && (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)) {
        const bool left = event->key() == Qt::Key_Left;
        bool leave = !isEditable();
        if (!leave) {
            const QLineEdit *edit = lineEdit();
            leave = left ? edit->cursorPosition() == 0 && !edit->hasSelectedText()
                         : edit->cursorPosition() == edit->text().size();
        }
        if (leave) {
            focusNextPrevChild(!left);
            event->accept();
            return;
        }
    }
    QComboBox::keyPressEvent(event);
}

void TqvComboBox::focusInEvent(QFocusEvent *event)
{
    dropCompleter();
    QComboBox::focusInEvent(event);
    if (m_autoSave)
        Save();
}

void TqvComboBox::changeEvent(QEvent *event)
{
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        update();
}

void TqvComboBox::showEvent(QShowEvent *event)
{
    dropCompleter();
    QComboBox::showEvent(event);
}

void TqvComboBox::showPopup()
{
    Q_EMIT OnDropDown();
    QComboBox::showPopup();
}

// --- TqvCheckBox

TqvCheckBox::TqvCheckBox(QWidget *parent)
    : QCheckBox(parent)
{ }

TqvCheckBox::TqvCheckBox(const QString &text, QWidget *parent)
    : QCheckBox(text, parent)
{ }

bool TqvCheckBox::event(QEvent *event)
{
    if (m_wantTabs && isFocusTab(event)) {
        // The key is the control's own: it goes nowhere else, also when nothing uses it.
        keyPressEvent(static_cast<QKeyEvent *>(event));
        event->accept();
        return true;
    }
    return QCheckBox::event(event);
}

void TqvCheckBox::keyPressEvent(QKeyEvent *event)
{
    if (m_wantReturns && isReturn(event) && !dialogTakesReturn(this)) {
        focusNextPrevChild(true);
        event->accept();
        return;
    }
    QCheckBox::keyPressEvent(event);
}

void TqvCheckBox::focusInEvent(QFocusEvent *event)
{
    QCheckBox::focusInEvent(event);
    if (m_autoSave)
        Save();
}

// --- TqvRadioButton

TqvRadioButton::TqvRadioButton(QWidget *parent)
    : QRadioButton(parent)
{ }

TqvRadioButton::TqvRadioButton(const QString &text, QWidget *parent)
    : QRadioButton(text, parent)
{ }

bool TqvRadioButton::event(QEvent *event)
{
    if (m_wantTabs && isFocusTab(event)) {
        // The key is the control's own: it goes nowhere else, also when nothing uses it.
        keyPressEvent(static_cast<QKeyEvent *>(event));
        event->accept();
        return true;
    }
    return QRadioButton::event(event);
}

void TqvRadioButton::keyPressEvent(QKeyEvent *event)
{
    if (m_wantReturns && isReturn(event) && !dialogTakesReturn(this)) {
        focusNextPrevChild(true);
        event->accept();
        return;
    }
    QRadioButton::keyPressEvent(event);
}

void TqvRadioButton::focusInEvent(QFocusEvent *event)
{
    QRadioButton::focusInEvent(event);
    if (m_autoSave)
        Save();
}

// --- TqvListBox

TqvListBox::TqvListBox(QWidget *parent)
    : QListWidget(parent)
{ }
