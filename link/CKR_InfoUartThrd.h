#pragma once

#include "link/CKR_UartThrd.h"

// Worker of the unit information dialog: polls the unit clock and the GNSS position alternately.
class CKR_InfoUartThrd : public CKR_UartThrd
{
    Q_OBJECT

public:
    explicit CKR_InfoUartThrd(UART* aPort);
    ~CKR_InfoUartThrd() override;

protected:
    void Ping() override;
};
