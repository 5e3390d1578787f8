#pragma once

// A definition window that carries the dependency frame on its page, as the editors do; the
// frame's tests and its demo program build the same window.
#include "editors/tables/rcross.h"
#include "ui/qvforms.h"

#include <QVBoxLayout>

class CrossHost : public TqvForm
{
public:
    CrossHost(QObject *owner, int objType)
        : TqvForm(owner)
    {
        setObjectName(QStringLiteral("frmCrossHost"));
        auto *layout = new QVBoxLayout(this);
        fraCross = new TfraCross(this, this);
        layout->addWidget(fraCross);
        InitForm();
        setObjType(objType);
    }
    TfraCross *fraCross;
};
