#include "link/CKR_FirstUartThrd.h"

CKR_FirstUartThrd::CKR_FirstUartThrd(UART* aPort) : CKR_UartThrd(aPort) {}

CKR_FirstUartThrd::~CKR_FirstUartThrd()
{
    // Ping() belongs to this class: the thread must end before this part of the object goes.
    Stop();
    wait();
}

void CKR_FirstUartThrd::Ping()
{
    while (!IsStopping()) {
        for (int i = 0; i < 10; ++i)
            if (WaitWork(80))
                return;
        if (IsStopping())
            return;
        if (!PingOnce(CKR_HiProt::PID_VUDateTime))
            return;
    }
}
