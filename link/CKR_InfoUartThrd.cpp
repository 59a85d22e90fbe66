#include "link/CKR_InfoUartThrd.h"

CKR_InfoUartThrd::CKR_InfoUartThrd(UART* aPort) : CKR_UartThrd(aPort) {}

CKR_InfoUartThrd::~CKR_InfoUartThrd()
{
    // Ping() belongs to this class: the thread must end before this part of the object goes.
    Stop();
    wait();
}

void CKR_InfoUartThrd::Ping()
{
    CKR_HiProt::T_ParamId id = CKR_HiProt::PID_VUDateTime;
    while (!IsStopping()) {
        if (WaitWork(300))
            return;
        if (!PingOnce(id))
            return;
        id = id == CKR_HiProt::PID_VUDateTime ? CKR_HiProt::PID_GPSData : CKR_HiProt::PID_VUDateTime;
    }
}
