// Systems without pseudo-terminals (Windows): the unit has no line of its own there and answers only
// through Respond (SimulatedLine, the training unit inside the program).
#include "tools/vusim/VUSimulator.h"

bool VUSimulator::Start(const QString& aDir, int aPort)
{
    mError = QStringLiteral("%1/COM%2: this system has no pseudo-terminals").arg(aDir).arg(aPort);
    return false;
}

void VUSimulator::Stop() {}
