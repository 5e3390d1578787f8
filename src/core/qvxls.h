#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>

// The vocabulary of the workbook definition reports: the items a report definition may place in
// template cells, their labels (shown in the report-definition editor) and their template
// keywords (stored in definition files), and the items each report type and section may use.

enum TqvRepData : int {
    rtObject,
    rtTable,
    rtView,
    rtIndex,
    rtObjectType,
    rtSeq,
    rtObjectName,
    rtSchema,
    rtCreateDate,
    rtUpdateDate,
    rtMaker,
    rtComment,
    rtTableName,
    rtStorageType,
    rtTableSpace,
    rtLogging,
    rtPctFree,
    rtPctUsed,
    rtIniTrans,
    rtMaxTrans,
    rtInitExtent,
    rtNextExtent,
    rtPctIncrease,
    rtMinExtent,
    rtMaxExtent,
    rtFreeLists,
    rtFreeGroup,
    rtBufferPool,
    rtCache,
    rtPartitionKey,
    rtInherits,
    rtWith,
    rtCross,
    rtCoverCross,
    rtRowMovement,
    rtViewName,
    rtDDL,
    rtIndexName,
    rtIndexType,
    rtColumnName,
    rtDataType,
    rtDataLength,
    rtDataScale,
    rtNotNull,
    rtDefaultValue,
    rtIsPrimaryKey,
    rtConstName,
    rtConstValue,
    rtIndexStatus,
    rtIndexMonStart,
    rtIndexMonEnd,
    rtIndexUsed,
};

inline constexpr int RepDataCount = rtIndexUsed + 1;

// A set of report items in enumeration order.
class TqvRepDataSet
{
public:
    constexpr TqvRepDataSet() = default;
    constexpr TqvRepDataSet(std::initializer_list<TqvRepData> items)
    {
        for (TqvRepData item : items)
            m_bits |= std::uint64_t(1) << item;
    }
    static constexpr TqvRepDataSet range(TqvRepData from, TqvRepData to)
    {
        TqvRepDataSet set;
        for (int i = from; i <= to; ++i)
            set.m_bits |= std::uint64_t(1) << i;
        return set;
    }
    constexpr bool contains(TqvRepData item) const { return (m_bits >> item) & 1; }
    constexpr TqvRepDataSet operator+(TqvRepDataSet other) const
    {
        TqvRepDataSet set;
        set.m_bits = m_bits | other.m_bits;
        return set;
    }
    constexpr bool operator==(const TqvRepDataSet &) const = default;

private:
    std::uint64_t m_bits = 0;
};

// {label, keyword} of every item; items without a label or keyword hold empty texts.
struct TqvRepDataItem
{
    QString label;
    QString keyword;
};
extern const std::array<TqvRepDataItem, RepDataCount> RepDataItems;

inline constexpr TqvRepDataSet RepDataTypes { rtObject, rtTable, rtView };
inline constexpr TqvRepDataSet RepHeaderObject { rtObjectType, rtSchema };
inline constexpr TqvRepDataSet RepBodyObject { rtSeq, rtObjectName, rtSchema, rtMaker, rtComment };
inline constexpr TqvRepDataSet RepHeaderTable { rtSchema,     rtComment, rtTableName, rtStorageType,
                                                rtTableSpace, rtCross,   rtCoverCross };
inline constexpr TqvRepDataSet RepHeaderView { rtSchema,     rtComment,  rtCross,
                                               rtCoverCross, rtViewName, rtDDL };
inline constexpr TqvRepDataSet RepHeaderIndex
    = TqvRepDataSet { rtSchema, rtTableName, rtStorageType, rtIndexName, rtIndexType }
    + TqvRepDataSet::range(rtTableSpace, rtPartitionKey);
inline constexpr TqvRepDataSet RepBodyColumn
    = TqvRepDataSet { rtSeq, rtComment } + TqvRepDataSet::range(rtColumnName, rtIsPrimaryKey);
inline constexpr TqvRepDataSet RepBodyConst { rtSeq, rtConstName, rtConstValue };

// The item whose text in the column (0 labels, 1 keywords) equals the text exactly, compared
// with case; nothing when no item has that text. The empty text never matches: the items
// without a label or keyword are not part of the vocabulary.
std::optional<TqvRepData> FindRepData(const QString &text, int column);

// One table of an inheritance tree as the table editor's inheritance frame shows it.
struct TObjInfo
{
    quint32 nOid = 0;
    QString sName;
    QString sSchema;
    bool bExistPKey = false;
    qint32 nConstCount = 0;
    qint32 nIndexCount = 0;
    qint32 nTriggerCount = 0;
    QString sTableSpace;
};
