#include "ftmplate.h"

#include "core/qvappwindows.h"
#include "core/qvencoding.h"
#include "core/qvexcept.h"
#include "core/qvreg.h"
#include "core/qvsub.h"
#include "core/qvtoolwindows.h"
#include "core/qvwaitcursor.h"
#include "sqllang/qvmemo.h"
#include "ui/qvctlopt.h"
#include "ui/qvhhelp.h"
#include "ui/qvimages.h"
#include "ui/qvstdctl.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScopeGuard>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace ftmplate {

const QString headingStart = QStringLiteral("【 ");
const QString headingEnd = QStringLiteral(" 】");
constexpr int categoryImage = 72;
constexpr int entryImage = 93;
constexpr int changeDelay = 50;
constexpr int entryRole = Qt::UserRole + 1; // true on entry nodes

QString guiTemplateKey()
{
    return QString::fromLatin1(QvRegistryRoot) + QStringLiteral("\\GUI\\TEMPLATE");
}

} // namespace ftmplate

// ---------------------------------------------------------------- the reference file

TTemplateData::TTemplateData(const QStringList &lines)
    : m_lines(lines)
{
    for (int i = 0; i < m_lines.size(); ++i) {
        if (isHeadingLine(m_lines.at(i)))
            m_index.append({ headingName(m_lines.at(i)), i });
    }
}

QStringList TTemplateData::ReadFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TextFileError(QStringLiteral("ファイル %1 を開けません。%2")
                                .arg(path, file.errorString())
                                .toStdString());
    const QByteArray bytes = file.readAll();
    // A file without a byte-order mark is in the code page the reference files were written in.
    return SplitLines(DecodeText(bytes, TqvEncoding(TqvEncoding::ShiftJis)));
}

bool TTemplateData::isCategoryLine(const QString &line)
{
    return line.startsWith(QLatin1String("%%%"));
}

bool TTemplateData::isHeadingLine(const QString &line)
{
    return line.startsWith(ftmplate::headingStart);
}

QString TTemplateData::headingName(const QString &line)
{
    const qsizetype end = line.indexOf(ftmplate::headingEnd);
    const qsizetype start = ftmplate::headingStart.size();
    return end < start ? QString() : line.mid(start, end - start);
}

int TTemplateData::indexOf(const QString &name) const
{
    if (name.isEmpty())
        return -1;
    for (int i = 0; i < m_index.size(); ++i) {
        if (m_index.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void TTemplateData::collect(int index, QList<Entry> &found) const
{
    if (index < 0 || index >= m_index.size())
        return;
    const Entry entry = m_index.at(index);
    found.append(entry);
    for (int i = entry.line + 1; i < m_lines.size(); ++i) {
        const QString &line = m_lines.at(i);
        if (isHeadingLine(line) || isCategoryLine(line))
            break;
        QString rest = line;
        qsizetype open;
        while ((open = rest.indexOf(QLatin1Char('<'))) >= 0) {
            rest = rest.mid(open + 1);
            const qsizetype close = rest.indexOf(QLatin1Char('>'));
            const QString name = close < 0 ? QString() : rest.left(close);
            const bool known = std::any_of(found.cbegin(), found.cend(), [&](const Entry &e) {
                return e.name.compare(name, Qt::CaseInsensitive) == 0;
            });
            if (!known)
                collect(indexOf(name), found);
        }
    }
}

QList<TTemplateData::Entry> TTemplateData::CollectEntry(int index) const
{
    QList<Entry> found;
    collect(index, found);
    return found;
}

QStringList TTemplateData::GetEntryText(const QString &name) const
{
    QStringList text;
    for (const Entry &entry : CollectEntry(indexOf(name))) {
        text << m_lines.at(entry.line);
        for (int i = entry.line + 1; i < m_lines.size(); ++i) {
            const QString &line = m_lines.at(i);
            if (isHeadingLine(line) || isCategoryLine(line))
                break;
            text << line;
        }
    }
    return text;
}

QList<TTemplateData::Node> TTemplateData::Tree() const
{
    QList<Node> nodes;
    int category = -1;
    for (const QString &line : m_lines) {
        if (isCategoryLine(line)) {
            nodes.append({ line.mid(3), true, {} });
            category = int(nodes.size()) - 1;
        } else if (isHeadingLine(line)) {
            if (category >= 0)
                nodes[category].entries << headingName(line);
            else
                nodes.append({ headingName(line), false, {} });
        }
    }
    return nodes;
}

// ---------------------------------------------------------------- the window

TfrmTemplate::TfrmTemplate(QWidget *parent)
    : QWidget(parent,
              Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowMinMaxButtonsHint
                  | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmTemplate"));
    setAttribute(Qt::WA_DeleteOnClose);
    setupUi();
    SetHelpContext(this, 30400);
}

TfrmTemplate::~TfrmTemplate()
{
    SaveWindowState();
}

void TfrmTemplate::setupUi()
{
    setWindowTitle(QStringLiteral("SQL リファレンス"));
    setWindowIcon(MainImage(ftmplate::entryImage));
    resize(632, 498);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    spl1 = new QSplitter(Qt::Horizontal, this);
    spl1->setObjectName(QStringLiteral("spl1"));
    layout->addWidget(spl1);

    pnlLeft = new QWidget(spl1);
    pnlLeft->setObjectName(QStringLiteral("pnlLeft"));
    pnlLeft->setMinimumWidth(30);
    auto *left = new QVBoxLayout(pnlLeft);
    left->setContentsMargins(2, 2, 2, 2);
    auto *version = new QHBoxLayout;
    lblVersion = new QLabel(QStringLiteral("Ver."), pnlLeft);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    cmbVersion = new TqvComboBox(pnlLeft);
    cmbVersion->setObjectName(QStringLiteral("cmbVersion"));
    cmbVersion->setCharCase(ecUpperCase);
    cmbVersion->setAutoSave(true);
    version->addWidget(lblVersion);
    version->addWidget(cmbVersion, 1);
    left->addLayout(version);
    auto *find = new QHBoxLayout;
    lblFind = new QLabel(QStringLiteral("検索"), pnlLeft);
    lblFind->setObjectName(QStringLiteral("lblFind"));
    txtFind = new TqvStrEdit(pnlLeft);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    txtFind->setCharCase(ecUpperCase);
    txtFind->setAutoSave(true);
    find->addWidget(lblFind);
    find->addWidget(txtFind, 1);
    left->addLayout(find);
    lstTemplate = new QTreeWidget(pnlLeft);
    lstTemplate->setObjectName(QStringLiteral("lstTemplate"));
    lstTemplate->setHeaderHidden(true);
    lstTemplate->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstTemplate->setSelectionBehavior(QAbstractItemView::SelectRows);
    left->addWidget(lstTemplate, 1);

    txtSQL = new TqvMemo(spl1);
    txtSQL->setObjectName(QStringLiteral("txtSQL"));
    txtSQL->setReadOnly(true);
    spl1->setStretchFactor(1, 1);
    spl1->setSizes({ 249, 383 });

    m_changeDelay = new QTimer(this);
    m_changeDelay->setSingleShot(true);
    m_changeDelay->setInterval(ftmplate::changeDelay);
    connect(m_changeDelay, &QTimer::timeout, this,
            [this] { RunGuarded([this] { lstTemplateChange(); }); });
    connect(lstTemplate, &QTreeWidget::currentItemChanged, this, [this] {
        if (!m_building)
            m_changeDelay->start();
    });
    connect(cmbVersion, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_building)
            RunGuarded([this] { LoadTemplate(); });
    });
    connect(txtFind, &QLineEdit::editingFinished, this,
            [this] { RunGuarded([this] { txtFindExit(); }); });
}

void TfrmTemplate::fillVersions()
{
    QStringList names;
    const QStringList files
        = QDir(ExeDir).entryList({ QStringLiteral("*.tpl") }, QDir::Files, QDir::Name);
    for (const QString &file : files)
        names << file.left(file.size() - 4);
    names.sort();
    m_building = true;
    cmbVersion->clear();
    for (const QString &name : std::as_const(names))
        cmbVersion->addItem(name.toUpper(), QVariant(ExeDir + name + QStringLiteral(".tpl")));
    cmbVersion->setCurrentIndex(int(cmbVersion->count()) - 1);
    m_building = false;
}

TfrmTemplate *TfrmTemplate::ShowWindow(const QString &SelectWord)
{
    MainWindowServices *main = mainWindowServices();
    std::unique_ptr<TfrmTemplate> window(new TfrmTemplate(main ? main->mainWidget() : nullptr));
    // The editor's look, with "{ " and " }" as the bracket the comment colours show.
    ApplyControlOptions(window->txtSQL);
    window->fillVersions();
    window->txtFind->setText(SelectWord.toUpper().trimmed());
    window->LoadTemplate();
    window->txtFind->setFocus();
    window->LoadWindowState();
    window->show();
    window->raise();
    return window.release();
}

void TfrmTemplate::LoadTemplate()
{
    const QString path = cmbVersion->currentIndex() >= 0
        ? cmbVersion->currentData().toString()
        : ExeDir + cmbVersion->currentText() + QStringLiteral(".tpl");
    m_data = TTemplateData(TTemplateData::ReadFile(path));
    BuildTree();
}

void TfrmTemplate::BuildTree()
{
    using namespace ftmplate;
    SQLWaitCursor wait;
    m_building = true;
    m_changeDelay->stop();
    lstTemplate->setUpdatesEnabled(false);
    const auto restore = qScopeGuard([this] {
        m_building = false;
        lstTemplate->setUpdatesEnabled(true);
    });
    lstTemplate->clear();
    QTreeWidgetItem *lastCategory = nullptr;
    for (const TTemplateData::Node &node : m_data.Tree()) {
        auto *item = new QTreeWidgetItem(lstTemplate, { node.caption });
        item->setIcon(0, MainImage(node.category ? categoryImage : entryImage));
        item->setData(0, entryRole, !node.category);
        if (!node.category)
            continue;
        if (lastCategory)
            lastCategory->setExpanded(true);
        lastCategory = item;
        for (const QString &entry : node.entries) {
            auto *child = new QTreeWidgetItem(item, { entry });
            child->setIcon(0, MainImage(entryImage));
            child->setData(0, entryRole, true);
        }
    }
    if (lastCategory)
        lastCategory->setExpanded(true);

    // Entries whose text, references included, lacks the word go; categories stay.
    const QString word = txtFind->text().trimmed();
    if (!word.isEmpty()) {
        QList<QTreeWidgetItem *> entries;
        for (QTreeWidgetItemIterator it(lstTemplate); *it; ++it) {
            if ((*it)->data(0, entryRole).toBool())
                entries << *it;
        }
        for (auto it = entries.crbegin(); it != entries.crend(); ++it) {
            const QString text = m_data.GetEntryText((*it)->text(0)).join(QLatin1Char('\n'));
            if (!text.contains(word))
                delete *it;
        }
    }

    if (lstTemplate->topLevelItemCount() > 0) {
        QTreeWidgetItem *first = lstTemplate->topLevelItem(0);
        lstTemplate->scrollToItem(first, QAbstractItemView::PositionAtTop);
        lstTemplate->setCurrentItem(first);
        for (QTreeWidgetItemIterator it(lstTemplate); *it; ++it) {
            if ((*it)->text(0).contains(txtFind->text())) {
                lstTemplate->setCurrentItem(*it);
                lstTemplate->scrollToItem(*it);
                break;
            }
        }
        lstTemplateChange();
    }
}

void TfrmTemplate::lstTemplateChange()
{
    QTreeWidgetItem *node = lstTemplate->currentItem();
    if (!node)
        return;
    const QStringList text = node->data(0, ftmplate::entryRole).toBool()
        ? m_data.GetEntryText(node->text(0))
        : QStringList();
    txtSQL->setText(text.join(QLatin1Char('\n')));
    // The jump gives the text pane the focus; a window not yet shown has none to give.
    if (isVisible())
        txtSQL->Jump(1);
}

void TfrmTemplate::txtFindExit()
{
    if (txtFind->IsChanged()) {
        txtFind->Save();
        BuildTree();
    }
}

void TfrmTemplate::LoadWindowState()
{
    if (!AppRegistry || !AppRegistry->OpenKey(ftmplate::guiTemplateKey(), true))
        return;
    int state = AppRegistry->GetInteger(QStringLiteral("WindowState"), 0);
    if (state == 1)
        state = 0;
    if (state == 0) {
        const QRect r = geometry();
        setGeometry(AppRegistry->GetInteger(QStringLiteral("Left"), r.left()),
                    AppRegistry->GetInteger(QStringLiteral("Top"), r.top()),
                    AppRegistry->GetInteger(QStringLiteral("Width"), r.width()),
                    AppRegistry->GetInteger(QStringLiteral("Height"), r.height()));
    } else if (state == 2) {
        setWindowState(Qt::WindowMaximized);
    }
    AppRegistry->CloseKey();
}

void TfrmTemplate::SaveWindowState()
{
    if (!AppRegistry || !AppRegistry->OpenKey(ftmplate::guiTemplateKey(), true))
        return;
    const int state = isMaximized() ? 2 : (windowState() & Qt::WindowMinimized) ? 1 : 0;
    AppRegistry->WriteInteger(QStringLiteral("WindowState"), state);
    if (state == 0) {
        const QRect r = geometry();
        AppRegistry->WriteInteger(QStringLiteral("Left"), r.left());
        AppRegistry->WriteInteger(QStringLiteral("Top"), r.top());
        AppRegistry->WriteInteger(QStringLiteral("Width"), r.width());
        AppRegistry->WriteInteger(QStringLiteral("Height"), r.height());
    }
    AppRegistry->CloseKey();
}

void RegisterTemplateWindow()
{
    RegisterToolWindow(QString::fromLatin1(ToolWindowTemplate),
                       [](ConnectionWindow *, const TToolWindowArgs &args) -> QWidget * {
                           return TfrmTemplate::ShowWindow(args.SQLText);
                       });
}
