#include "app/TrainingUnit.h"

// The training entry of the Linux package runs the simulator in a process of its own.
TrainingUnit::TrainingUnit() = default;
