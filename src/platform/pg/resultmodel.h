#pragma once

#include "error.h"

#include <QAbstractTableModel>

namespace pg {

class DataSet;

// A table model over a data set: one row per record, one column per field. Cells are read from
// the data set when a view asks for them; the model holds no copy of the data.
//
// Display: the server's text (booleans as "true"/"false"), an invalid QVariant for NULL. Edit:
// the text, a null QString for NULL. setData() writes one cell through the data set (edit, set,
// post); a refused write is undone, reported by writeFailed() and answered with false.
class ResultModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Role {
        IsNullRole = Qt::UserRole + 1, // bool
        ValueRole, // DataSet::value()
        FieldClassRole, // int(pg::FieldClass)
        BookmarkRole, // qint64 bookmark of the row's record
    };

    explicit ResultModel(DataSet *dataSet, QObject *parent = nullptr);

    DataSet *dataSet() const { return m_dataSet; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

Q_SIGNALS:
    void writeFailed(const pg::Error &error);

private:
    DataSet *m_dataSet;
};

} // namespace pg
