#pragma once

// Windows that host a data frame as the table editor and the SQL window do: their class names
// and object names are what the frame's owner rules look at.
#include "ui/qvforms.h"
#include "ui/qvstdctl.h"
#include "ui/rdata.h"

#include <QVBoxLayout>

// The table editor's data page: a row-count box and the frame.
class TfrmTable : public TqvForm
{
    Q_OBJECT
public:
    explicit TfrmTable(QObject *owner, const QString &name = QStringLiteral("frmTable"))
        : TqvForm(owner)
    {
        setObjectName(name);
        auto *layout = new QVBoxLayout(this);
        txtRecord = new TqvNumEdit(this);
        txtRecord->setObjectName(QStringLiteral("txtRecord"));
        txtRecord->setMaxLength(9);
        layout->addWidget(txtRecord);
        fraData = new TfraData(this);
        layout->addWidget(fraData, 1);
        InitForm();
    }

    TqvNumEdit *txtRecord;
    TfraData *fraData;
};

// The SQL window: the frame alone, with the user's text.
class TfrmSQL : public TqvForm
{
    Q_OBJECT
public:
    explicit TfrmSQL(QObject *owner)
        : TqvForm(owner)
    {
        setObjectName(QStringLiteral("frmSQL"));
        auto *layout = new QVBoxLayout(this);
        fraData = new TfraData(this);
        fraData->TableName = QStringLiteral("SQL");
        layout->addWidget(fraData);
        InitForm();
    }

    TfraData *fraData;
};

// The materialized-view editor as the frame sees it: its class (the value editors are read-only
// for it) and its object name.
class TfrmMView : public TfrmTable
{
    Q_OBJECT
public:
    explicit TfrmMView(QObject *owner)
        : TfrmTable(owner, QStringLiteral("frmMView"))
    { }
};
