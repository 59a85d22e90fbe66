#include "link/CNV_Thread.h"

CNV_Thread::CNV_Thread() : QThread(nullptr) {}

CNV_Thread::~CNV_Thread()
{
    mStop = true;
    wait();
}

void CNV_Thread::Stop()
{
    mStop = true;
}
