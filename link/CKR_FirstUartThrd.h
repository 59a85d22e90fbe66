#pragma once

#include "link/CKR_UartThrd.h"

// Worker of the first activation dialog: polls the unit clock.
class CKR_FirstUartThrd : public CKR_UartThrd
{
    Q_OBJECT

public:
    explicit CKR_FirstUartThrd(UART* aPort);
    ~CKR_FirstUartThrd() override;

protected:
    void Ping() override;
};
