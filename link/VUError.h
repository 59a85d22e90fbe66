#pragma once

#include <QString>
#include <QtGlobal>

// Exchange error code: 0 success, 1..7 link and port failures, 0x40000001 unknown parameter,
// 0x80000000 | reason for a negative reply of the unit.
typedef quint32 TKR_VUError;

namespace VUErr {
constexpr TKR_VUError Ok = 0;
constexpr TKR_VUError PortNotOpen = 1;
constexpr TKR_VUError NoPort = 2;
constexpr TKR_VUError WriteFailed = 3;
constexpr TKR_VUError NoReply = 4;
constexpr TKR_VUError BadReply = 5;
constexpr TKR_VUError BadChecksum = 6;
constexpr TKR_VUError NoUnitFound = 7;
constexpr TKR_VUError UnknownParam = 0x40000001;
constexpr TKR_VUError ValueTooLong =
    0x40000002; // write refused before sending: data field would reach 256 bytes
constexpr TKR_VUError ValueOutOfRange =
    0x40000003; // write refused before sending: the parameter's encoding cannot hold the value
constexpr TKR_VUError NegativeReply = 0x80000000;
constexpr TKR_VUError RC_IML = NegativeReply | 0x13;  // incorrect message length
constexpr TKR_VUError RC_CNC = NegativeReply | 0x22;  // conditions not correct
constexpr TKR_VUError RC_ROOR = NegativeReply | 0x31; // request out of range

constexpr bool IsNegativeReply(TKR_VUError code)
{
    return (code & NegativeReply) != 0;
}
} // namespace VUErr

// One-line text of a code.
QString VUErrorText(TKR_VUError code);
// Possible-causes text for the error dialog; aArg replaces %1 for code 7.
QString VUErrorCauses(TKR_VUError code, const QString& aArg);
template <typename T> class QList;

// Causes text of code 7 after a port search: the ports that exist but are held by another program (aBusy)
// or closed to this user (aDenied) come first, as causes known for certain; then the usual causes and
// the tried ports as above.
QString NoUnitCauses(const QString& aTried, const QList<int>& aBusy, const QList<int>& aDenied);

// Result codes of the thread library. Include this header before <windows.h>, which defines S_OK.
enum NvResult : int
{
    S_OK = 0,
    E_RECURRENT_NAME = -2,
    E_NOT_FOUND = -3,
    E_ILLEGAL_VALUE = -4,
    E_CAN_NOT_CONNECT = -5,
    E_OVERFLOW = -6,
    E_NO_DATA = -7,
    E_FILE_ERROR = -8,
    E_ILLEGAL_STATE = -9,
    E_UART = -10,
    E_LIB_NOT_READY = -11,
    NV_E_INCOMPATIBLE = -12,
    NV_E_OUT_OF_MEMORY = -13,
};
QString ResultName(int code);

// Registers QVariant, CKR_HiProt::T_ParamId and TKR_VUError for queued signals; call before any dialog
// exists.
void RegisterLinkMetaTypes();
