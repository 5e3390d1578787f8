#include "qvxls.h"

namespace qvxls {

std::array<TqvRepDataItem, RepDataCount> makeItems()
{
    std::array<TqvRepDataItem, RepDataCount> items;
    auto set = [&items](TqvRepData item, const char *label, const char *keyword) {
        items[item] = { QString::fromUtf8(label), QString::fromLatin1(keyword) };
    };
    set(rtObject, "オブジェクト一覧", "OBJECT");
    set(rtTable, "テーブル定義", "TABLE");
    set(rtView, "ビュー定義", "VIEW");
    set(rtIndex, "インデックス定義", "INDEX");
    set(rtObjectType, "オブジェクトタイプ", "OBJECTTYPE");
    set(rtSeq, "連番", "SEQ");
    set(rtObjectName, "オブジェクト名", "OBJECTNAME");
    set(rtSchema, "スキーマ", "SCHEMA");
    set(rtMaker, "作成者", "MAKER");
    set(rtComment, "コメント", "COMMENT");
    set(rtTableName, "テーブル名", "TABLENAME");
    set(rtStorageType, "格納タイプ", "STORAGETYPE");
    set(rtTableSpace, "表領域名", "STORAGE");
    set(rtCross, "参照", "CROSS");
    set(rtCoverCross, "被参照", "COVERCROSS");
    set(rtViewName, "ビュー名", "VIEWNAME");
    set(rtDDL, "DDL文", "DDL");
    set(rtIndexName, "インデックス名", "INDEXNAME");
    set(rtIndexType, "インデックスタイプ", "INDEXTYPE");
    set(rtColumnName, "カラム名", "COLUMNNAME");
    set(rtDataType, "データ型", "DTYPE");
    set(rtDataLength, "長さ", "LENGTH");
    set(rtDataScale, "精度", "SCALE");
    set(rtNotNull, "必須", "NOTNULL");
    set(rtDefaultValue, "デフォルト値", "DEFAULT");
    set(rtIsPrimaryKey, "主キー", "PK");
    set(rtConstName, "制約・索引名", "CONSTNAME");
    set(rtConstValue, "制約・索引情報", "CONSTVALUE");
    return items;
}

} // namespace qvxls

const std::array<TqvRepDataItem, RepDataCount> RepDataItems = qvxls::makeItems();

std::optional<TqvRepData> FindRepData(const QString &text, int column)
{
    if (text.isEmpty() || column < 0 || column > 1)
        return std::nullopt;
    for (int i = 0; i < RepDataCount; ++i) {
        const TqvRepDataItem &item = RepDataItems[i];
        if ((column == 0 ? item.label : item.keyword) == text)
            return TqvRepData(i);
    }
    return std::nullopt;
}
