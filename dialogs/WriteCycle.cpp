#include "dialogs/WriteCycle.h"

#include <QAbstractButton>
#include <QStringList>

void WriteCycle::Begin(const QList<Value>& aValues, QAbstractButton* aClose)
{
    mValues = aValues;
    mWritten.clear();
    mClose = aClose;
    if (mClose)
        mClose->setEnabled(false);
    mRunning = true;
}

void WriteCycle::Written(CKR_HiProt::T_ParamId aId)
{
    if (mRunning)
        mWritten.append(aId);
}

void WriteCycle::End()
{
    mRunning = false;
    if (mClose)
        mClose->setEnabled(true);
}

namespace {

// After these the frame may have reached the unit and only its reply was lost; after any other code the
// unit either refused the value or the request never went out.
bool ReplyLost(TKR_VUError aErr)
{
    return aErr == VUErr::WriteFailed || aErr == VUErr::NoReply || aErr == VUErr::BadReply ||
           aErr == VUErr::BadChecksum;
}

QString Line(const QString& aHead, const QStringList& aNames)
{
    return aNames.isEmpty() ? QString()
                            : QStringLiteral("\n%1: %2.").arg(aHead, aNames.join(QStringLiteral(", ")));
}

} // namespace

QString WriteCycle::Account(CKR_HiProt::T_ParamId aFailed, TKR_VUError aErr) const
{
    QStringList written;
    QStringList failed;
    QStringList notSent;
    for (const Value& value : mValues) {
        if (mWritten.contains(value.id))
            written << value.name;
        else if (value.id == aFailed && (ReplyLost(aErr) || VUErr::IsNegativeReply(aErr)))
            failed << value.name;
        else
            notSent << value.name;
    }
    const QString failedHead = VUErr::IsNegativeReply(aErr) ? QStringLiteral("Тахограф не принял")
                                                            : QStringLiteral("Не известно, записано ли");
    return QStringLiteral("Запись прервана.") + Line(QStringLiteral("Записаны в тахограф"), written) +
           Line(failedHead, failed) + Line(QStringLiteral("Не записаны"), notSent);
}
