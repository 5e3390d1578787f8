#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

class QLabel;
class QSplitter;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class TqvComboBox;
class TqvMemo;
class TqvStrEdit;
struct TToolWindowArgs;
class ConnectionWindow;

// A reference file (".tpl" in the program folder): lines of three kinds.
//   "%%%caption"          a category
//   "【 name 】 ..."       an entry heading: the name lies between "【 " and the first " 】"
//                          (none: an empty name, which no reference reaches)
//   anything else         a body line of the entry whose heading came last
// An entry's text is its heading and its body lines. "<name>" inside a body line refers to
// another entry; names are looked up without regard to letter case, the first of equal names
// counting.
class TTemplateData
{
public:
    struct Entry
    {
        QString name;
        int line = -1; // the heading's line
    };
    // A node of the category and entry tree: a category with its entries, or an entry that
    // came before the first category.
    struct Node
    {
        QString caption;
        bool category = false;
        QStringList entries;
    };

    TTemplateData() = default;
    explicit TTemplateData(const QStringList &lines);

    // The file's text, by its byte-order mark, else as code page 932. Throws TextFileError
    // when the file cannot be read.
    static QStringList ReadFile(const QString &path);

    const QStringList &lines() const { return m_lines; }
    // Every heading, in file order (FIndex).
    const QList<Entry> &index() const { return m_index; }
    // The position in index() of the first entry of that name, -1 when none (or empty).
    int indexOf(const QString &name) const;
    // The entry at index and the entries it refers to, depth-first, each once.
    QList<Entry> CollectEntry(int index) const;
    // The text of the entry name and of its references: each heading with its body lines.
    QStringList GetEntryText(const QString &name) const;
    // The tree in file order; categories of one caption stay apart.
    QList<Node> Tree() const;

    static bool isCategoryLine(const QString &line);
    static bool isHeadingLine(const QString &line);
    static QString headingName(const QString &line);

private:
    void collect(int index, QList<Entry> &found) const;

    QStringList m_lines;
    QList<Entry> m_index;
};

// The SQL reference viewer "SQL リファレンス": the entries of one reference file as a tree of
// categories and entries, filtered by a search word (upper case, case-sensitive), with the
// chosen entry's text and its references in the text pane. Each call opens a window of its
// own, owned by the main window and kept in front of it; its place is kept under GUI\TEMPLATE.
class TfrmTemplate : public QWidget
{
    Q_OBJECT
public:
    // Opens a new viewer on SelectWord (upper-cased, trimmed). Throws when the reference file
    // cannot be read; no window stays then.
    static TfrmTemplate *ShowWindow(const QString &SelectWord);

    explicit TfrmTemplate(QWidget *parent = nullptr);
    ~TfrmTemplate() override;

    void LoadTemplate();
    void BuildTree();
    void lstTemplateChange();
    void txtFindExit();
    void LoadWindowState();
    void SaveWindowState();

    const TTemplateData &Data() const { return m_data; }

    QWidget *pnlLeft = nullptr;
    QLabel *lblVersion = nullptr;
    TqvComboBox *cmbVersion = nullptr;
    QLabel *lblFind = nullptr;
    TqvStrEdit *txtFind = nullptr;
    QTreeWidget *lstTemplate = nullptr;
    QSplitter *spl1 = nullptr;
    TqvMemo *txtSQL = nullptr;

private:
    void setupUi();
    // The template files of the program folder, names sorted; the last is chosen.
    void fillVersions();

    TTemplateData m_data;
    QTimer *m_changeDelay = nullptr;
    bool m_building = false;
};

// Registers the viewer as the tool window "Template" (core/qvtoolwindows.h).
void RegisterTemplateWindow();
