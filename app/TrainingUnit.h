#pragma once

#include <memory>

// The unit of the training workshop. On Linux the menu entry starts the simulator on a pseudo-terminal
// in a process of its own and this does nothing. Where there are no pseudo-terminals (Windows), in a
// training workshop (IsTrainingWorkshop) the simulated unit lives inside the program for as long as this
// object, as port 3, the port of the Linux entry's simulator.
class TrainingUnit
{
public:
    TrainingUnit();

private:
    std::shared_ptr<void> mUnit; // the unit and its line, while offered
};
