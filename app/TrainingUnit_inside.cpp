#include "app/TrainingUnit.h"

#include "app/Training.h"
#include "tools/vusim/SimulatedLine.h"
#include "tools/vusim/VUSimulator.h"

namespace {

constexpr int kTrainingPort = 3;

struct OfferedUnit
{
    VUSimulator unit;
    std::shared_ptr<SimulatedLine> line = std::make_shared<SimulatedLine>(unit);

    OfferedUnit() { UnitLine::Offer(kTrainingPort, line); }
    ~OfferedUnit() { UnitLine::Offer(kTrainingPort, nullptr); }
};

} // namespace

TrainingUnit::TrainingUnit()
{
    if (IsTrainingWorkshop())
        mUnit = std::make_shared<OfferedUnit>();
}
