// The object list of the connection window: its search bar and the engine that fills it.
#include "fobject.h"
#include "fobjectlistsql.h"
#include "fproject.h"

#include "core/qvcancel.h"
#include "core/qvmsgbox.h"
#include "core/qvobjtype.h"
#include "core/qvoption.h"
#include "core/qvreg.h"
#include "core/qvsub.h"
#include "core/qvwaitcursor.h"
#include "core/qvwhere.h"
#include "platform/pg/connection.h"
#include "platform/pg/result.h"
#include "ui/qvcomctrls.h"
#include "ui/qvimages.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QHash>
#include <QHeaderView>
#include <QLayout>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QToolBar>
#include <QToolButton>
#include <QValidator>

#include <exception>

namespace fobjectlist {

constexpr int whereImage = 23;
constexpr int grepImage = 24;
// With the option Progress the list paints while it fills, at most this often.
constexpr qint64 progressPaintMs = 30;

QString widthKey()
{
    return QString::fromLatin1(QvRegistryRoot) + QStringLiteral("\\GUI\\OBJECT");
}

// Lower-cases what is typed into the search box unless names keep their letter case.
class FindCaseValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        if (!AppOption.UseLowerName)
            input = input.toLower();
        return Acceptable;
    }
};

QToolButton *toolButton(QToolBar *bar, const char *name, const QString &hint, int image)
{
    auto *button = new QToolButton(bar);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(hint);
    button->setIcon(MainImage(image));
    button->setAutoRaise(true);
    bar->addWidget(button);
    return button;
}

} // namespace fobjectlist

QString ObjectListSubItem(const QTreeWidgetItem *item, int index)
{
    return item ? item->text(index + 1) : QString();
}

void TfrmObject::setupFindUi(QLayout *objectLayout)
{
    using namespace fobjectlist;
    pnlFind = new QToolBar(pnlObject);
    pnlFind->setObjectName(QStringLiteral("pnlFind"));
    pnlFind->setIconSize(QSize(16, 16));
    btnWhere = toolButton(pnlFind, "btnWhere", QStringLiteral("オブジェクト名検索"), whereImage);
    btnGrep = toolButton(pnlFind, "btnGrep", QStringLiteral("全文検索"), grepImage);
    // The full-text search comes with its own dialog; until then the button does nothing.
    btnGrep->setEnabled(false);
    cmbFind = new QComboBox(pnlFind);
    cmbFind->setObjectName(QStringLiteral("cmbFind"));
    cmbFind->setEditable(true);
    cmbFind->setInsertPolicy(QComboBox::NoInsert);
    cmbFind->setMinimumContentsLength(24);
    cmbFind->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbFind->lineEdit()->setValidator(new FindCaseValidator(cmbFind));
    pnlFind->addWidget(cmbFind);
    objectLayout->addWidget(pnlFind);

    connect(btnWhere, &QToolButton::clicked, this,
            [this] { RunGuarded([this] { btnWhereClick(); }); });
    connect(cmbFind->lineEdit(), &QLineEdit::returnPressed, this,
            [this] { RunGuarded([this] { btnWhereClick(); }); });
}

void TfrmObject::LoadFindHistory()
{
    QStringList items;
    try {
        LoadWhereList(QStringLiteral("%"), QStringLiteral("%"), items);
    } catch (const std::exception &e) {
        ShowMessageBox(QString::fromUtf8(e.what()), MB_OK | MB_ICONWARNING);
    }
    const QSignalBlocker block(cmbFind);
    cmbFind->clear();
    cmbFind->addItems(items);
    cmbFind->setCurrentIndex(-1);
    cmbFind->setEditText(QString());
}

void TfrmObject::btnWhereClick()
{
    ShowObject(false);
}

void TfrmObject::SaveObjectListWidths()
{
    const int columns = lstObject->columnCount();
    if (FViewType.isEmpty() || lstObject->isHeaderHidden() || columns == 0 || !AppRegistry
        || !AppRegistry->OpenKey(fobjectlist::widthKey(), true))
        return;
    for (int i = 0; i < columns; ++i)
        AppRegistry->WriteInteger(FViewType + QString::number(i), lstObject->columnWidth(i));
    AppRegistry->CloseKey();
}

void TfrmObject::ShowObject(bool IsGrep)
{
    using namespace fobjectlist;
    const SQLWaitCursor wait;
    SaveObjectListWidths();
    {
        const QSignalBlocker block(lstObject);
        lstObject->clear();
        lstObject->setColumnCount(0);
        lstObject->setHeaderHidden(true);
    }

    // The node: the kind K ("%" for every kind) and the schema S.
    const QTreeWidgetItem *node = lstTree->currentItem();
    if (!node)
        return;
    int level = 0;
    for (const QTreeWidgetItem *up = node->parent(); up; up = up->parent())
        ++level;
    const bool kindFirst = btnTree2->isChecked();
    const QString login = LoginSchema();
    QString kind;
    QString schema;
    if (level == 0) {
        if (!AppOption.ShowLevel0)
            return;
        kind = QStringLiteral("%");
        schema = Disp == 1 ? login : QStringLiteral("%");
    } else if (level == 1) {
        if (!AppOption.ShowLevel1)
            return;
        if (kindFirst) {
            kind = node->text(0);
            schema = Disp == 1 ? login : QStringLiteral("%");
        } else {
            kind = QStringLiteral("%");
            schema = node->text(0);
        }
    } else {
        kind = kindFirst ? node->parent()->text(0) : node->text(0);
        schema = kindFirst ? node->text(0) : node->parent()->text(0);
    }

    TObjectListFilter filter;
    filter.dbVer = m_dbVer;
    filter.postgresPlus = m_postgresPlus;
    filter.dbName = DBName;
    filter.schemaCondition = ObjectListSchemaCondition(
        schema, Disp, TfrmProject::DisplaySchemas(m_dbsMain->param(QStringLiteral("Database"))));

    const QString searchText = cmbFind->currentText();
    if (AppOption.Find && !searchText.isEmpty() && !IsGrep) {
        filter.namePattern = ObjectListNamePattern(searchText, AppOption.FindAuto);
        QStringList items;
        for (int i = 0; i < cmbFind->count(); ++i)
            items << cmbFind->itemText(i);
        items.removeAll(searchText);
        items.prepend(searchText);
        {
            const QSignalBlocker block(cmbFind);
            cmbFind->clear();
            cmbFind->addItems(items);
            cmbFind->setCurrentIndex(0);
        }
        try {
            SaveWhereList(QStringLiteral("%"), QStringLiteral("%"), items);
        } catch (const std::exception &e) {
            // the list is still shown; only the history could not be kept
            ShowMessageBox(QString::fromUtf8(e.what()), MB_OK | MB_ICONWARNING);
        }
    }
    g_TreeDispState = kind;

    const bool treeData = AppOption.TreeData;
    const QStringList sql = ObjectListSQL(kind, treeData, filter);
    if (sql.isEmpty())
        return;
    const QList<TObjectListColumn> columns = ObjectListColumns(kind, treeData);
    FViewType = ObjectListWidthPrefix(kind, treeData);
    {
        const QSignalBlocker block(lstObject);
        lstObject->setColumnCount(int(columns.size()));
        QStringList captions;
        for (const TObjectListColumn &column : columns)
            captions << column.caption;
        lstObject->setHeaderLabels(captions);
        const bool settings = AppRegistry && AppRegistry->OpenKey(widthKey(), true);
        for (int i = 0; i < columns.size(); ++i) {
            const TObjectListColumn &column = columns.at(i);
            lstObject->setColumnAlignment(i, column.alignment);
            const int width = settings
                ? AppRegistry->GetInteger(FViewType + QString::number(i), column.width)
                : column.width;
            lstObject->setColumnWidth(i, width);
        }
        if (settings)
            AppRegistry->CloseKey();
        ApplyObjectListStyle();
    }

    TObjectListFill fill;
    fill.form = ObjectListFormOf(kind, treeData);
    fill.treeData = treeData;
    fill.defaultSchema = login;
    TObjectListTypes types;
    fill.types = &types;
    const bool oldSequences = fill.form == TObjectListForm::Detail
        && kind == QLatin1String("SEQUENCE") && m_dbVer < 100000;

    // However the fill ends, what was read stays in the list and the window is in order again.
    QList<QTreeWidgetItem *> pending;
    struct FillEnd
    {
        TfrmObject *window;
        QList<QTreeWidgetItem *> &pending;
        ~FillEnd()
        {
            if (!pending.isEmpty())
                window->lstObject->addTopLevelItems(pending);
            window->lstObject->setUpdatesEnabled(true);
            window->lstObject->blockSignals(false);
            if (MainWindowServices *main = mainWindowServices())
                main->SetDefMessage();
        }
    } fillEnd { this, pending };
    lstObject->blockSignals(true);
    MainWindowServices *main = mainWindowServices();
    if (main)
        main->SetLoopMessage(0, 0);
    const bool progress = AppOption.Progress;
    if (!progress)
        lstObject->setUpdatesEnabled(false);

    const CancelGuard guard;
    if (ObjectListNeedsTypes(kind)) {
        const pg::Result typeRows = OpenSQL(ObjectListTypeSQL());
        const int count = typeRows.rowCount();
        types.reserve(count);
        for (int row = 0; row < count; ++row) {
            if (EscapePressed())
                break;
            types.insert(typeRows.text(row, 0).toUInt(),
                         { typeRows.text(row, 2), typeRows.text(row, 1) });
        }
    }

    const pg::Result rows = OpenSQL(sql.join(QLatin1Char('\n')));
    const int count = rows.rowCount();
    QHash<int, QIcon> icons;
    QElapsedTimer sincePaint;
    sincePaint.start();
    if (!progress)
        pending.reserve(count);
    for (int row = 0; row < count; ++row) {
        if (EscapePressed())
            break;
        if (progress && sincePaint.elapsed() >= progressPaintMs) {
            repaint();
            sincePaint.start();
        }
        const int code = GetObjectTypeCode(rows.text(row, 0));
        auto icon = icons.find(code);
        if (icon == icons.end())
            icon = icons.insert(code, MainImage(code));
        QStringList sub = ObjectListSubItems(rows, row, fill);
        if (oldSequences) {
            QStringList values(6);
            try {
                const pg::Result values1
                    = OpenSQL(ObjectListOldSequenceSQL(sub.value(0), rows.text(row, 1)));
                if (values1.rowCount() > 0)
                    for (int i = 0; i < 6; ++i)
                        values[i] = values1.text(0, i);
            } catch (const std::exception &) {
                // six empty values, and the fill goes on
            }
            for (int i = 0; i < 6; ++i)
                sub[3 + i] = values.at(i);
        }
        auto *item = new QTreeWidgetItem;
        item->setText(0, rows.text(row, 1));
        item->setIcon(0, *icon);
        item->setData(0, TreeImageRole, code);
        for (int i = 0; i < sub.size(); ++i)
            item->setText(i + 1, sub.at(i));
        if (progress)
            lstObject->addTopLevelItem(item);
        else
            pending << item;
    }
    if (!pending.isEmpty()) {
        lstObject->addTopLevelItems(pending);
        pending.clear();
    }
    lstObject->SortItems();
}
