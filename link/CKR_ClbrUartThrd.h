#pragma once

#include "link/CKR_UartThrd.h"

// Worker of the calibration dialog: polls the impulse counter.
class CKR_ClbrUartThrd : public CKR_UartThrd
{
    Q_OBJECT

public:
    explicit CKR_ClbrUartThrd(UART* aPort);
    ~CKR_ClbrUartThrd() override;

protected:
    void Ping() override;
};
