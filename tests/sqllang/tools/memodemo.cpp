// Shows two SQL editors side by side and saves a picture of the window: on the left a script
// coloured with the built-in reserved words, on the right the same script formatted, in an
// editor whose reserved-word list is empty (as a log box has it).
//
//   corvane_memodemo OUT.png
#include "sqllang/qvformat.h"
#include "sqllang/qvmemo.h"

#include "core/qveditorsettings.h"
#include "core/qvoption.h"
#include "core/qvreserve.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QTest>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvane_memodemo OUT.png\n");
        return 2;
    }
    QApplication app(argc, argv);
    const QString script = QStringLiteral(
        "-- 顧客ごとの受注合計\n"
        "select c.customer_id, c.name, sum(o.amount) as total /* 税抜 */\n"
        "from sales.customer c left join sales.orders o on o.customer_id = c.customer_id\n"
        "where o.ordered_on >= date '2026-01-01' and c.name like '山田%'\n"
        "group by c.customer_id, c.name having sum(o.amount) > 1000.5 order by total desc;\n"
        "\n"
        "update sales.orders set note = E'急ぎ\\'s', amount = amount * 1.1 where order_id = 42;\n"
        "\n"
        "create function sales.order_count(p integer) returns bigint language sql as $$\n"
        "    select count(*) from sales.orders where customer_id = p\n"
        "$$;\n");

    TqvEditorSettings coloured = DefaultEditorSettings();
    coloured.Font.Size = 11;
    coloured.View.Colors.Str.Color = 0x000080C0; // literals in brown, as stored (blue-green-red)
    SetDefaultReserveWords(coloured.ReserveWordList);
    TqvEditorSettings plain = coloured;
    plain.ReserveWordList.clear();

    QWidget window;
    window.setWindowTitle(QStringLiteral("Corvane for Postgres"));
    auto *layout = new QHBoxLayout(&window);
    auto *left = new TqvMemo(&window);
    auto *right = new TqvMemo(&window);
    left->setObjectName(QStringLiteral("txtSQL"));
    right->setObjectName(QStringLiteral("txtLog"));
    left->ApplyEditorOptions(coloured, nullptr, nullptr);
    right->ApplyEditorOptions(plain, nullptr, nullptr);
    left->setText(script);
    TFormatOption format;
    format.Indent = 4;
    format.ItemTrans = 2;
    right->setText(FormatSQL(script, format));
    layout->addWidget(left);
    layout->addWidget(right);
    window.resize(1500, 520);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    left->setFocus();
    left->setCursorPosition(1, 12);
    left->SelectWordFromCaret();
    QTest::qWait(300);
    return window.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
