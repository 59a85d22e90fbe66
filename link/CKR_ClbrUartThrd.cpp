#include "link/CKR_ClbrUartThrd.h"

CKR_ClbrUartThrd::CKR_ClbrUartThrd(UART* aPort) : CKR_UartThrd(aPort) {}

CKR_ClbrUartThrd::~CKR_ClbrUartThrd()
{
    // Ping() belongs to this class: the thread must end before this part of the object goes.
    Stop();
    wait();
}

void CKR_ClbrUartThrd::Ping()
{
    while (!IsStopping()) {
        for (int i = 0; i < 6; ++i)
            if (WaitWork(80))
                return;
        if (!PingOnce(CKR_HiProt::PID_ImpCounter))
            return;
    }
}
