#include "qvhhelp.h"

#include "core/qvmsgbox.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QStandardPaths>
#include <QWhatsThis>
#include <QWidget>

#include <unistd.h>

// Outside any namespace, as the resource system requires.
static void initHelpResources()
{
    Q_INIT_RESOURCE(qvhhelp);
}

namespace qvhhelp {

THelpOpener &opener()
{
    static THelpOpener current;
    return current;
}

// Context number → page and anchor. Contexts of one area share a page.
const QHash<int, QString> &pageMap()
{
    static const QHash<int, QString> map {
        { 100, QStringLiteral("index.html") },
        { 10100, QStringLiteral("browser.html#connection") },
        { 10200, QStringLiteral("data.html#value") },
        { 10400, QStringLiteral("objects.html#view") },
        { 11300, QStringLiteral("objects.html#sequence") },
        { 11400, QStringLiteral("objects.html#mview") },
        { 12100, QStringLiteral("print.html#preview") },
        { 20100, QStringLiteral("sql.html#exec") },
        { 20200, QStringLiteral("sql.html#debug") },
        { 20300, QStringLiteral("options.html#script") },
        { 20400, QStringLiteral("print.html#print") },
        { 20800, QStringLiteral("security.html#grant") },
        { 20900, QStringLiteral("tools.html#analyze") },
        { 21200, QStringLiteral("tools.html#datagen") },
        { 21300, QStringLiteral("browser.html#schema") },
        { 21400, QStringLiteral("data.html#excel") },
        { 30200, QStringLiteral("sql.html#script") },
        { 30300, QStringLiteral("tools.html#columns") },
        { 30400, QStringLiteral("sql.html#reference") },
        { 40100, QStringLiteral("security.html#userlist") },
        { 40200, QStringLiteral("security.html#user") },
        { 40300, QStringLiteral("security.html#schema") },
        { 40400, QStringLiteral("security.html#role") },
        { 40500, QStringLiteral("security.html#storage") },
        { 40600, QStringLiteral("security.html#tablespace") },
        { 41400, QStringLiteral("tools.html#backup") },
        { 41500, QStringLiteral("tools.html#restore") },
        { 41600, QStringLiteral("tools.html#load") },
        { 42100, QStringLiteral("objects.html#dblink") },
        { 42200, QStringLiteral("objects.html#dblinklist") },
        { 50100, QStringLiteral("options.html#general") },
        { 50200, QStringLiteral("options.html#editor") },
        { 50300, QStringLiteral("options.html#scriptname") },
        { 50400, QStringLiteral("options.html#usercmd") },
        { 50500, QStringLiteral("options.html#report") },
        { 51100, QStringLiteral("tools.html#join") },
        { 51600, QStringLiteral("tools.html#indexadviser") },
    };
    return map;
}

// Lays the shipped pages out as files once per process; the browser cannot read them from
// inside the program.
QString extractedFolder()
{
    static QString folder;
    static bool done = false;
    if (done)
        return folder;
    done = true;
    initHelpResources();
    QString base = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (base.isEmpty())
        base = QDir::tempPath() + QStringLiteral("/corvane-%1").arg(getuid());
    const QString target = base + QStringLiteral("/help/");
    if (!QDir().mkpath(target))
        return folder;
    QDirIterator it(QStringLiteral(":/help"), QDir::Files);
    bool complete = true;
    while (it.hasNext()) {
        const QString source = it.next();
        const QString file = target + it.fileName();
        QFile in(source);
        if (!in.open(QIODevice::ReadOnly)) {
            complete = false;
            continue;
        }
        const QByteArray bytes = in.readAll();
        QFile existing(file);
        if (existing.open(QIODevice::ReadOnly) && existing.readAll() == bytes)
            continue;
        existing.close();
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || out.write(bytes) != bytes.size())
            complete = false;
    }
    if (complete)
        folder = target;
    return folder;
}

QPointer<THTMLHelp> &current()
{
    static QPointer<THTMLHelp> handler;
    return handler;
}

bool lastOpened = false;

} // namespace qvhhelp

THelpOpener setHelpOpener(THelpOpener opener)
{
    THelpOpener previous = std::move(qvhhelp::opener());
    qvhhelp::opener() = std::move(opener);
    return previous;
}

THTMLHelp::THTMLHelp(QObject *AOwner)
    : QObject(AOwner)
{
    qvhhelp::current() = this;
    if (qApp)
        qApp->installEventFilter(this);
}

THTMLHelp::~THTMLHelp()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

QString THTMLHelp::PageOf(int context)
{
    return qvhhelp::pageMap().value(context);
}

QString THTMLHelp::HelpFolder()
{
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/help/");
    if (QFileInfo::exists(beside + QStringLiteral("index.html")))
        return beside;
    return qvhhelp::extractedFolder();
}

QString THTMLHelp::PopupText(int id)
{
    initHelpResources();
    QString path = HelpFolder() + QStringLiteral("cshelp.txt");
    if (!QFileInfo::exists(path))
        path = QStringLiteral(":/help/cshelp.txt");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    // ".topic N" starts the text of identifier N, which runs to the next ".topic".
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    QStringList text;
    bool inTopic = false;
    for (QString line : lines) {
        line.remove(QLatin1Char('\r'));
        if (line.startsWith(QLatin1String(".topic"))) {
            if (inTopic)
                break;
            inTopic = line.mid(6).trimmed().toInt() == id;
        } else if (inTopic) {
            text << line;
        }
    }
    return text.join(QLatin1Char('\n')).trimmed();
}

bool THTMLHelp::openPage(const QString &page)
{
    const QString folder = HelpFolder();
    const QString file = page.section(QLatin1Char('#'), 0, 0);
    const QString anchor = page.section(QLatin1Char('#'), 1);
    if (folder.isEmpty() || !QFileInfo::exists(folder + file)) {
        ShowMessageBox(QStringLiteral("ヘルプファイル %1 が見つかりません。").arg(folder + file),
                       MB_ICONERROR);
        return false;
    }
    QUrl url = QUrl::fromLocalFile(folder + file);
    if (!anchor.isEmpty())
        url.setFragment(anchor);
    const THelpOpener &custom = qvhhelp::opener();
    const bool opened = custom ? custom(url) : QDesktopServices::openUrl(url);
    if (!opened)
        ShowMessageBox(QStringLiteral("ヘルプを表示できません。\n%1").arg(url.toString()),
                       MB_ICONERROR);
    return opened;
}

bool THTMLHelp::OnApplicationHelp(quint16 Command, qintptr Data, bool &CallHelp)
{
    m_initialized = true;
    CallHelp = false;
    qvhhelp::lastOpened = false;
    switch (Command) {
    case HELP_CONTEXT: {
        const QString page = PageOf(int(Data));
        if (page.isEmpty())
            ShowMessageBox(
                QStringLiteral("ヘルプのトピックが見つかりません (コンテキスト %1)。").arg(Data),
                MB_ICONERROR);
        else
            qvhhelp::lastOpened = openPage(page);
        break;
    }
    case HELP_CONTENTS:
    case HELP_FINDER:
        qvhhelp::lastOpened = openPage(QStringLiteral("index.html"));
        break;
    case HELP_CONTEXTPOPUP: {
        const QString page = PageOf(int(Data));
        if (!page.isEmpty()) {
            qvhhelp::lastOpened = openPage(page);
        } else {
            const QString text = PopupText(int(Data));
            if (!text.isEmpty()) {
                QWhatsThis::showText(FPopupPos, text);
                qvhhelp::lastOpened = true;
            }
        }
        break;
    }
    case HELP_SETPOPUP_POS:
        FPopupPos = QPoint(int(quint16(Data & 0xFFFF)), int(quint16((Data >> 16) & 0xFFFF)));
        break;
    default:
        break;
    }
    return false;
}

bool THTMLHelp::eventFilter(QObject *watched, QEvent *event)
{
    if (qvhhelp::current() != this)
        return false;
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier
            || !watched->isWidgetType())
            return false;
        // The key travels from the focus widget up its parents: answer it once, where it starts.
        QWidget *focus = QApplication::focusWidget();
        if (focus && watched != focus)
            return false;
        const int context = HelpContextOf(static_cast<QWidget *>(watched));
        bool callHelp = true;
        OnApplicationHelp(context ? HELP_CONTEXT : HELP_CONTENTS, context, callHelp);
        return true;
    }
    if (event->type() == QEvent::WhatsThis && watched->isWidgetType()) {
        auto *widget = static_cast<QWidget *>(watched);
        if (!widget->whatsThis().isEmpty())
            return false;
        const int context = HelpContextOf(widget);
        if (context == 0)
            return false;
        const QPoint global = static_cast<QHelpEvent *>(event)->globalPos();
        bool callHelp = true;
        OnApplicationHelp(HELP_SETPOPUP_POS,
                          qintptr(quint16(global.x())) | (qintptr(quint16(global.y())) << 16),
                          callHelp);
        OnApplicationHelp(HELP_CONTEXTPOPUP, context, callHelp);
        event->accept();
        return true;
    }
    return false;
}

THTMLHelp &AppHelp()
{
    QPointer<THTMLHelp> &handler = qvhhelp::current();
    if (!handler)
        handler = new THTMLHelp(QCoreApplication::instance());
    return *handler;
}

bool AppHelpCommand(quint16 command, qintptr data)
{
    bool callHelp = true;
    AppHelp().OnApplicationHelp(command, data, callHelp);
    return qvhhelp::lastOpened;
}

bool AppHelpContext(int context)
{
    return AppHelpCommand(HELP_CONTEXT, context);
}

void SetHelpContext(QWidget *widget, int context)
{
    if (!widget)
        return;
    widget->setProperty("HelpContext", context);
    // F1 in the window needs a handler, also before the main window has made its own.
    AppHelp();
}

int HelpContextOf(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        const int context = w->property("HelpContext").toInt();
        if (context != 0)
            return context;
    }
    return 0;
}
