#include "resultmodel.h"

#include "dataset.h"

namespace pg {

ResultModel::ResultModel(DataSet *dataSet, QObject *parent)
    : QAbstractTableModel(parent)
    , m_dataSet(dataSet)
{
    connect(dataSet, &DataSet::aboutToBeReset, this, &ResultModel::beginResetModel);
    connect(dataSet, &DataSet::wasReset, this, &ResultModel::endResetModel);
    connect(dataSet, &DataSet::rowsAboutToBeInserted, this,
            [this](int first, int last) { beginInsertRows(QModelIndex(), first, last); });
    connect(dataSet, &DataSet::rowsInserted, this, &ResultModel::endInsertRows);
    connect(dataSet, &DataSet::rowsAboutToBeRemoved, this,
            [this](int first, int last) { beginRemoveRows(QModelIndex(), first, last); });
    connect(dataSet, &DataSet::rowsRemoved, this, &ResultModel::endRemoveRows);
    connect(dataSet, &DataSet::rowChanged, this, [this](int row) {
        if (row >= 0 && row < rowCount())
            Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
    connect(dataSet, &QObject::destroyed, this, [this] {
        beginResetModel();
        m_dataSet = nullptr;
        endResetModel();
    });
}

int ResultModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_dataSet ? 0 : m_dataSet->recordCount();
}

int ResultModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_dataSet ? 0 : m_dataSet->fields().count();
}

QVariant ResultModel::data(const QModelIndex &index, int role) const
{
    if (!m_dataSet || !index.isValid())
        return QVariant();
    const int row = index.row();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole: {
        if (m_dataSet->isNull(row, column))
            return QVariant();
        if (m_dataSet->fields().at(column).fieldClass == FieldClass::Boolean) {
            const QByteArrayView raw = m_dataSet->raw(row, column);
            return !raw.isEmpty() && raw.at(0) == 't' ? QStringLiteral("true")
                                                      : QStringLiteral("false");
        }
        return m_dataSet->text(row, column);
    }
    case Qt::EditRole:
        return m_dataSet->text(row, column);
    case Qt::TextAlignmentRole:
        return isNumeric(m_dataSet->fields().at(column).fieldClass)
            ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter))
            : QVariant(int(Qt::AlignLeft | Qt::AlignVCenter));
    case IsNullRole:
        return m_dataSet->isNull(row, column);
    case ValueRole:
        return m_dataSet->value(row, column);
    case FieldClassRole:
        return int(m_dataSet->fields().at(column).fieldClass);
    case BookmarkRole:
        return m_dataSet->bookmarkAt(row);
    default:
        return QVariant();
    }
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || !m_dataSet)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return section < m_dataSet->fields().count() ? m_dataSet->fields().at(section).name
                                                     : QString();
    return section + 1;
}

Qt::ItemFlags ResultModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (m_dataSet && index.isValid() && m_dataSet->isFieldWritable(index.column()))
        f |= Qt::ItemIsEditable;
    return f;
}

bool ResultModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!m_dataSet || !index.isValid() || role != Qt::EditRole)
        return false;
    try {
        m_dataSet->setCurrentRow(index.row());
        m_dataSet->edit();
        m_dataSet->setValue(index.column(), value);
        m_dataSet->post();
        return true;
    } catch (const Error &e) {
        try {
            m_dataSet->cancel();
        } catch (const Error &) {
            // the first error is the one to report
        }
        Q_EMIT writeFailed(e);
        return false;
    }
}

} // namespace pg
