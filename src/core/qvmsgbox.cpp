#include "qvmsgbox.h"

#include "qvdialoghook.h"
#include "qvnumtext.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <cmath>

namespace qvmsgbox {

// The buttons in the order the dialogs create them; the sets take them in this order too.
struct ButtonInfo
{
    int code;
    const char *name;
    const char16_t *caption;
};
static const ButtonInfo buttonInfos[] = {
    { IDYES, "Yes", u"はい(&Y)" },
    { IDNO, "No", u"いいえ(&N)" },
    { IDOK, "OK", u"OK" },
    { IDCANCEL, "Cancel", u"キャンセル" },
    { IDABORT, "Abort", u"中止(&A)" },
    { IDRETRY, "Retry", u"再試行(&R)" },
    { IDIGNORE, "Ignore", u"無視(&I)" },
};

enum class IconKind { None, Information, Question, Warning, Error };

static IconKind iconKind(quint16 flags, MessageDialog::Style style)
{
    if (style == MessageDialog::Style::CheckMessage) {
        if ((flags & 0x30) == 0x30)
            return IconKind::Warning;
        if (flags & 0x20)
            return IconKind::Question;
        if (flags & 0x10)
            return IconKind::Error;
        return IconKind::Information;
    }
    switch (flags & 0xF0) {
    case MB_ICONHAND:
        return IconKind::Error;
    case MB_ICONQUESTION:
        return IconKind::Question;
    case MB_ICONEXCLAMATION:
        return IconKind::Warning;
    case MB_ICONASTERISK:
        return IconKind::Information;
    default:
        return IconKind::None;
    }
}

// MulDiv of the dialog-unit arithmetic: rounded to nearest, halves away from zero.
static int mulDiv(int number, int numerator, int denominator)
{
    return int(std::lround(double(number) * numerator / denominator));
}

static void centreWidget(QWidget *widget)
{
    QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize size = widget->frameGeometry().size().expandedTo(widget->size());
    widget->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

static QString qtFilter(const QString &filter)
{
    if (!filter.contains(u'|'))
        return filter;
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(u';', u' ');
        filters << parts.at(i) + QStringLiteral(" (") + patterns + u')';
    }
    return filters.join(QStringLiteral(";;"));
}

static QString askPath(DialogKind kind, const QString &caption, const QString &path,
                       const QString &filter)
{
    DialogRequest request;
    request.kind = kind;
    request.caption = caption;
    request.value = path;
    request.filter = qtFilter(filter);
    request.buttons = { IDOK, IDCANCEL };
    request.defaultButton = IDOK;
    if (hasDialogResponder())
        return answerByResponder(request) == IDOK ? request.value : QString();
    QWidget *parent = QApplication::activeWindow();
    switch (kind) {
    case DialogKind::OpenFile:
        return QFileDialog::getOpenFileName(parent, caption, path, request.filter);
    case DialogKind::SaveFile:
        return QFileDialog::getSaveFileName(parent, caption, path, request.filter);
    default:
        return QFileDialog::getExistingDirectory(parent, caption, path);
    }
}

} // namespace qvmsgbox

using namespace qvmsgbox;

QString ApplicationTitle()
{
    return QGuiApplication::applicationDisplayName();
}

QString CleanMessageText(const QString &text)
{
    if (text == QStringLiteral(": "))
        return QString::fromUtf16(QvSyntaxErrorText);
    return text;
}

int ShowMessageBox(const QString &text, quint16 flags)
{
    const QString cleaned = CleanMessageText(text);
    MessageDialog dialog(cleaned, flags, MessageDialog::Style::MessageBox);
    if (hasDialogResponder()) {
        DialogRequest request;
        request.kind = DialogKind::MessageBox;
        request.caption = ApplicationTitle();
        request.text = cleaned;
        request.flags = flags;
        request.buttons = dialog.buttonCodes();
        request.defaultButton = dialog.defaultCode();
        return answerByResponder(request);
    }
    dialog.centreOnScreen();
    return dialog.exec();
}

int ShowMessageBoxFmt(const QString &formatText, const QVariantList &args, quint16 flags)
{
    return ShowMessageBox(FormatText(formatText, args), flags);
}

QString FormatText(const QString &format, const QVariantList &args)
{
    QString out;
    qsizetype argIndex = 0;
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = format.at(i);
        if (c != u'%' || i + 1 >= n) {
            out += c;
            continue;
        }
        if (format.at(i + 1) == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        auto readNumber = [&](int &value) {
            if (j < n && format.at(j) == u'*') {
                value = args.value(argIndex++).toInt();
                ++j;
                return true;
            }
            bool any = false;
            value = 0;
            while (j < n && format.at(j).isDigit() && format.at(j).unicode() < 128) {
                value = value * 10 + format.at(j).digitValue();
                ++j;
                any = true;
            }
            return any;
        };
        int number = 0;
        const qsizetype start = j;
        if (readNumber(number) && j < n && format.at(j) == u':') {
            argIndex = number;
            ++j;
        } else {
            j = start;
        }
        bool left = false;
        if (j < n && format.at(j) == u'-') {
            left = true;
            ++j;
        }
        int width = 0;
        readNumber(width);
        int precision = -1;
        if (j < n && format.at(j) == u'.') {
            ++j;
            readNumber(precision);
        }
        if (j >= n) {
            out += format.mid(i);
            break;
        }
        const QChar type = format.at(j).toLower();
        const QVariant arg = args.value(argIndex++);
        QString piece;
        switch (type.unicode()) {
        case u'd':
        case u'u': {
            const qlonglong value = arg.toLongLong();
            piece = QString::number(value < 0 ? -value : value);
            if (precision > piece.size())
                piece = QString(precision - piece.size(), u'0') + piece;
            if (value < 0)
                piece.prepend(u'-');
            break;
        }
        case u'x':
        case u'p':
            piece = QString::number(arg.toULongLong(), 16).toUpper();
            if (type == u'p')
                precision = 16;
            if (precision > piece.size())
                piece = QString(precision - piece.size(), u'0') + piece;
            break;
        case u'f':
            piece = QString::number(arg.toDouble(), 'f', precision < 0 ? 2 : precision);
            break;
        case u'n':
        case u'm': {
            QLocale locale = QLocale::c();
            locale.setNumberOptions(QLocale::DefaultNumberOptions);
            piece = locale.toString(arg.toDouble(), 'f', precision < 0 ? 2 : precision);
            break;
        }
        case u'e':
            piece = QString::number(arg.toDouble(), 'E', precision < 0 ? 14 : precision - 1);
            break;
        case u'g':
            piece = precision < 0 ? FloatToText(arg.toDouble())
                                  : QString::number(arg.toDouble(), 'G', precision);
            break;
        case u's':
            piece = arg.toString();
            if (precision >= 0)
                piece = piece.left(precision);
            break;
        default:
            piece = format.mid(i, j - i + 1);
            break;
        }
        if (piece.size() < width)
            piece = left ? piece.leftJustified(width) : piece.rightJustified(width);
        out += piece;
        i = j;
    }
    return out;
}

int ShowCheckMessage(const QString &text, quint16 flags, const TqvCheckList &checks)
{
    const QString cleaned = CleanMessageText(text);
    MessageDialog dialog(cleaned, flags, MessageDialog::Style::CheckMessage);
    for (const TqvCheckItem &item : checks)
        dialog.addCheck(item.caption, item.value && *item.value);
    int result = 0;
    if (hasDialogResponder()) {
        DialogRequest request;
        request.kind = DialogKind::CheckMessage;
        request.caption = ApplicationTitle();
        request.text = cleaned;
        request.flags = flags;
        request.buttons = dialog.buttonCodes();
        request.defaultButton = dialog.defaultCode();
        for (const TqvCheckItem &item : checks)
            request.checks.append({ item.caption, item.value && *item.value });
        result = answerByResponder(request);
        for (qsizetype i = 0; i < checks.size(); ++i)
            if (checks.at(i).value && i < request.checks.size())
                *checks.at(i).value = request.checks.at(i).checked;
    } else {
        dialog.centreOnScreen();
        result = dialog.exec();
        // Every answer writes the boxes back: the caller keeps the choice also after No.
        for (qsizetype i = 0; i < checks.size(); ++i)
            if (checks.at(i).value)
                *checks.at(i).value = dialog.check(int(i))->isChecked();
    }
    return result >= IDOK && result <= IDNO ? result : IDCHECKOTHER;
}

bool ShowInputQuery(const QString &caption, const QString &prompt, QString &value,
                    const TqvCheckList &checks, bool numeric)
{
    if (hasDialogResponder()) {
        DialogRequest request;
        request.kind = DialogKind::InputQuery;
        request.caption = caption;
        request.text = prompt;
        request.value = value;
        request.numeric = numeric;
        request.buttons = { IDOK, IDCANCEL };
        request.defaultButton = IDOK;
        for (const TqvCheckItem &item : checks)
            request.checks.append({ item.caption, item.value && *item.value });
        if (answerByResponder(request) != IDOK)
            return false;
        // The answer passes through what the edit would let a user type.
        value = numeric ? FilterNumericText(request.value, false).left(9) : request.value.left(255);
        for (qsizetype i = 0; i < checks.size(); ++i)
            if (checks.at(i).value && i < request.checks.size())
                *checks.at(i).value = request.checks.at(i).checked;
        return true;
    }
    QList<QPair<QString, bool>> boxes;
    for (const TqvCheckItem &item : checks)
        boxes.append({ item.caption, item.value && *item.value });
    InputQueryDialog dialog(caption, prompt, value, boxes, numeric);
    centreWidget(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    value = dialog.edit()->text();
    for (qsizetype i = 0; i < checks.size(); ++i)
        if (checks.at(i).value)
            *checks.at(i).value = dialog.check(int(i))->isChecked();
    return true;
}

QPoint GetAveCharSize(const QFontMetrics &metrics)
{
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return QPoint(metrics.horizontalAdvance(letters) / 52, metrics.height());
}

bool IsWindowsNT6(bool orLater)
{
    return orLater;
}

QString ShowOpenFileDialog(const QString &caption, const QString &path, const QString &filter)
{
    return askPath(DialogKind::OpenFile, caption, path, filter);
}

QStringList ShowOpenFilesDialog(const QString &caption, const QString &path, const QString &filter)
{
    DialogRequest request;
    request.kind = DialogKind::OpenFile;
    request.caption = caption;
    request.value = path;
    request.filter = qtFilter(filter);
    request.buttons = { IDOK, IDCANCEL };
    request.defaultButton = IDOK;
    request.multiple = true;
    if (hasDialogResponder()) {
        if (answerByResponder(request) != IDOK)
            return {};
        return request.value.split(u'\n', Qt::SkipEmptyParts);
    }
    return QFileDialog::getOpenFileNames(QApplication::activeWindow(), caption, path,
                                         request.filter);
}

QString ShowSaveFileDialog(const QString &caption, const QString &path, const QString &filter)
{
    return askPath(DialogKind::SaveFile, caption, path, filter);
}

QString ShowDirectoryDialog(const QString &caption, const QString &path)
{
    return askPath(DialogKind::SelectDirectory, caption, path, QString());
}

// --- MessageDialog

QList<int> MessageDialog::buttonSet(quint16 flags)
{
    // Each later match overrides the earlier; the result is the usual meaning of 0 to 5.
    const int bits = flags & 0x7;
    QList<int> set = { IDOK };
    if (bits & 1)
        set = { IDOK, IDCANCEL };
    if (bits & 2)
        set = { IDABORT, IDRETRY, IDIGNORE };
    if ((bits & 3) == 3)
        set = { IDYES, IDNO, IDCANCEL };
    if (bits & 4)
        set = { IDYES, IDNO };
    if ((bits & 5) == 5)
        set = { IDRETRY, IDCANCEL };
    return set;
}

MessageDialog::MessageDialog(const QString &text, quint16 flags, Style dialogStyle, QWidget *parent)
    : QDialog(parent)
    , m_style(dialogStyle)
{
    setObjectName(QStringLiteral("MessageDialog"));
    setWindowTitle(ApplicationTitle());
    m_codes = buttonSet(flags);

    auto *grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(10);

    QStyle::StandardPixmap pixmap = QStyle::SP_CustomBase;
    switch (iconKind(flags, dialogStyle)) {
    case IconKind::Information:
        pixmap = QStyle::SP_MessageBoxInformation;
        break;
    case IconKind::Question:
        pixmap = QStyle::SP_MessageBoxQuestion;
        break;
    case IconKind::Warning:
        pixmap = QStyle::SP_MessageBoxWarning;
        break;
    case IconKind::Error:
        pixmap = QStyle::SP_MessageBoxCritical;
        break;
    case IconKind::None:
        break;
    }
    if (pixmap != QStyle::SP_CustomBase) {
        auto *icon = new QLabel(this);
        icon->setObjectName(QStringLiteral("Image"));
        const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        icon->setPixmap(this->style()->standardIcon(pixmap, nullptr, this).pixmap(size, size));
        grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    }

    m_message = new QLabel(text, this);
    m_message->setObjectName(QStringLiteral("Message"));
    m_message->setTextFormat(Qt::PlainText);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Long server messages wrap instead of widening the dialog past the screen.
    const QFontMetrics metrics(m_message->font());
    int widest = 0;
    for (const QString &line : text.split(u'\n'))
        widest = qMax(widest, metrics.horizontalAdvance(line));
    const int limit = metrics.averageCharWidth() * 80;
    if (widest > limit) {
        m_message->setWordWrap(true);
        m_message->setFixedWidth(limit);
    }
    grid->addWidget(m_message, 0, 1);

    m_checkArea = new QWidget(this);
    auto *checkLayout = new QVBoxLayout(m_checkArea);
    checkLayout->setContentsMargins(0, 0, 0, 0);
    checkLayout->setSpacing(2);
    m_checkArea->hide();
    grid->addWidget(m_checkArea, 1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    // A message box puts its buttons in the order of its set (Retry before Cancel); the
    // check-box message creates them in one fixed order.
    QList<const ButtonInfo *> infos;
    if (dialogStyle == Style::MessageBox) {
        for (int code : std::as_const(m_codes))
            for (const ButtonInfo &info : buttonInfos)
                if (info.code == code)
                    infos.append(&info);
    } else {
        for (const ButtonInfo &info : buttonInfos)
            if (m_codes.contains(info.code))
                infos.append(&info);
    }
    for (const ButtonInfo *entry : std::as_const(infos)) {
        const ButtonInfo &info = *entry;
        auto *button = new QPushButton(QString::fromUtf16(info.caption), this);
        button->setObjectName(QString::fromLatin1(info.name));
        button->setMinimumWidth(qMax(button->sizeHint().width(), 88));
        const int code = info.code;
        connect(button, &QPushButton::clicked, this, [this, code] { done(code); });
        buttons->addWidget(button);
        m_buttons.append(button);
    }
    buttons->addStretch();
    grid->addLayout(buttons, 2, 0, 1, 2);
    // m_codes in the order of creation, so that positions match m_buttons.
    QList<int> ordered;
    for (QPushButton *button : m_buttons)
        for (const ButtonInfo &info : buttonInfos)
            if (button->objectName() == QLatin1String(info.name))
                ordered.append(info.code);
    m_codes = ordered;

    m_defaultPosition = ((flags >> 8) & 0x3) + 1;
    if (m_defaultPosition <= m_buttons.size()) {
        if (dialogStyle == Style::CheckMessage && m_defaultPosition == 1) {
            for (int code : { IDOK, IDYES, IDRETRY })
                if (m_codes.contains(code)) {
                    m_defaultCode = code;
                    break;
                }
        } else {
            m_defaultCode = m_codes.at(m_defaultPosition - 1);
        }
    } else if (dialogStyle == Style::MessageBox) {
        m_defaultCode = m_codes.value(0);
    }
    for (QPushButton *button : m_buttons) {
        button->setAutoDefault(true);
        button->setDefault(false);
    }
    if (QPushButton *def = button(m_defaultCode))
        def->setDefault(true);

    if (m_codes.contains(IDCANCEL))
        m_escapeCode = IDCANCEL;
    else if (dialogStyle == Style::CheckMessage && m_codes.contains(IDNO))
        m_escapeCode = IDNO;
    else if (m_codes.contains(IDOK))
        m_escapeCode = IDOK;
    else if (dialogStyle == Style::CheckMessage)
        m_escapeCode = IDCANCEL;
    if (!m_escapeCode)
        setWindowFlag(Qt::WindowCloseButtonHint, false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    applyTabOrder();
}

void MessageDialog::addCheck(const QString &caption, bool checked)
{
    auto *box = new QCheckBox(caption, m_checkArea);
    box->setObjectName(QStringLiteral("Check%1").arg(m_checks.size()));
    box->setChecked(checked);
    m_checkArea->layout()->addWidget(box);
    m_checkArea->show();
    m_checks.append(box);
    applyTabOrder();
}

QPushButton *MessageDialog::button(int code) const
{
    const qsizetype index = m_codes.indexOf(code);
    return index >= 0 ? m_buttons.at(index) : nullptr;
}

void MessageDialog::centreOnScreen()
{
    adjustSize();
    centreWidget(this);
}

void MessageDialog::applyTabOrder()
{
    // The default button leads; the buttons after it follow, then the check boxes, and the
    // buttons before it come last.
    QList<QWidget *> order;
    const int n = m_defaultPosition <= m_buttons.size() ? m_defaultPosition : 1;
    for (int i = n - 1; i < m_buttons.size(); ++i)
        order.append(m_buttons.at(i));
    for (QCheckBox *box : m_checks)
        order.append(box);
    for (int i = 0; i < n - 1; ++i)
        order.append(m_buttons.at(i));
    for (int i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order.at(i), order.at(i + 1));
}

void MessageDialog::reject()
{
    if (m_escapeCode)
        done(m_escapeCode);
}

void MessageDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (QPushButton *def = button(m_defaultCode))
        def->setFocus(Qt::OtherFocusReason);
    else if (!m_buttons.isEmpty())
        m_buttons.at(m_defaultPosition <= m_buttons.size() ? m_defaultPosition - 1 : 0)
            ->setFocus(Qt::OtherFocusReason);
}

// --- InputQueryDialog

InputQueryDialog::InputQueryDialog(const QString &caption, const QString &prompt,
                                   const QString &value, const QList<QPair<QString, bool>> &checks,
                                   bool numeric, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("InputQueryDialog"));
    setWindowTitle(caption);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    const QPoint unit = GetAveCharSize(fontMetrics());
    const int dx = unit.x();
    const int dy = unit.y();
    const int clientWidth = mulDiv(180, dx, 4);

    auto *label = new QLabel(prompt, this);
    label->setObjectName(QStringLiteral("Prompt"));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    const int labelLeft = mulDiv(8, dx, 4);
    const int labelTop = mulDiv(8, dy, 8);
    const int labelMax = mulDiv(164, dx, 4);
    const int natural = label->fontMetrics().horizontalAdvance(prompt);
    const int labelWidth = qMin(natural + 2, labelMax);
    label->setGeometry(labelLeft, labelTop, labelWidth,
                       qMax(label->heightForWidth(labelWidth), label->fontMetrics().height()));

    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("Edit"));
    if (numeric) {
        m_edit->setValidator(new NumericTextValidator(m_edit));
        m_edit->setMaxLength(9);
        // Digits typed through an input method would come full-width and be filtered away.
        m_edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    } else {
        m_edit->setMaxLength(255);
    }
    m_edit->setText(value);
    m_edit->selectAll();
    const int editHeight = qMax(20, m_edit->sizeHint().height());
    m_edit->setGeometry(labelLeft, label->geometry().bottom() + 1 + 5, mulDiv(164, dx, 4),
                        editHeight);

    int y = m_edit->geometry().bottom() + 1 + 2;
    for (qsizetype i = 0; i < checks.size(); ++i) {
        auto *box = new QCheckBox(checks.at(i).first, this);
        box->setObjectName(QStringLiteral("Check%1").arg(i));
        box->setChecked(checks.at(i).second);
        const int height = box->sizeHint().height();
        box->setGeometry(labelLeft, y, clientWidth - labelLeft, height);
        y += height;
        m_checks.append(box);
    }
    if (!checks.isEmpty())
        y -= 9;

    const int buttonWidth = mulDiv(50, dx, 4);
    const int buttonHeight = qMax(mulDiv(14, dy, 8), 24);
    const int buttonTop = y + 14;
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OK"));
    ok->setDefault(true);
    ok->setGeometry(mulDiv(38, dx, 4), buttonTop, buttonWidth, buttonHeight);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto *cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cancel->setObjectName(QStringLiteral("Cancel"));
    cancel->setGeometry(mulDiv(92, dx, 4), buttonTop, buttonWidth, buttonHeight);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    setFixedSize(clientWidth, cancel->geometry().bottom() + 1 + 13);
    m_edit->setFocus(Qt::OtherFocusReason);
}
