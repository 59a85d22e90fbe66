#pragma once

#include "link/CKR_HiProt.h"
#include "link/VUError.h"

#include <QList>
#include <QPointer>
#include <QString>

class QAbstractButton;

// One writing cycle of a unit dialog: the values queued, named as the dialog names them, and which of
// them the unit has confirmed. While it runs the dialog's close button is disabled (and the dialog keeps
// itself open), so no cycle is abandoned half-way without a word; when one is cut short, Account() tells
// what the unit now holds.
class WriteCycle
{
public:
    struct Value
    {
        CKR_HiProt::T_ParamId id;
        QString name;
    };

    // aValues in the order they are queued; aClose is disabled until End().
    void Begin(const QList<Value>& aValues, QAbstractButton* aClose);
    // The unit confirmed the write of aId (OnWriteData).
    void Written(CKR_HiProt::T_ParamId aId);
    void End();
    bool IsRunning() const { return mRunning; }

    // What a cycle cut short by aErr on the write of aFailed left in the unit: the values it confirmed,
    // the one whose reply was lost (it may or may not have been taken) or that it refused, and those never
    // sent, one line each.
    QString Account(CKR_HiProt::T_ParamId aFailed, TKR_VUError aErr) const;

private:
    QList<Value> mValues;
    QList<CKR_HiProt::T_ParamId> mWritten;
    QPointer<QAbstractButton> mClose;
    bool mRunning = false;
};
