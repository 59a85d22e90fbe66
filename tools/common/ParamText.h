#pragma once

#include "link/CKR_HiProt.h"

#include <QString>
#include <QVariant>

// Value texts of the workshop tools (vuctl output, vusim value files): one text per parameter value,
// the same in both directions.
//   integers: decimal;  texts: exactly as decoded (not trimmed);
//   PID_NextCalibration: dd/MM/yyyy;  PID_SnsPaired: dd/MM/yyyy hh:mm:ss in UTC;
//   PID_VUDateTime: dd/MM/yyyy hh:mm:ss (UTC), a blank, the offset as +3:00 / -5:30.
namespace ParamText {

// The parameter named as CKR_HiProt::FindParam takes it, in any case ("kconst", "PID_KCONST", "0xF918").
const CKR_HiProt::ParamInfo* Find(const QString& aNameOrNumber);
// The identifier's name without the PID_ prefix.
QString Name(const CKR_HiProt::ParamInfo& aInfo);

QString ToText(CKR_HiProt::T_ParamId aId, const QVariant& aValue);
// False (with a reason in aError) when the text is no valid value for the parameter.
bool FromText(CKR_HiProt::T_ParamId aId, const QString& aText, QVariant& aValue, QString* aError = nullptr);

} // namespace ParamText
