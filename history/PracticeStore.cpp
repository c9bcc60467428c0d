#include "history/PracticeStore.h"

namespace history {

PracticeStore::Recorded PracticeStore::record(const Arrival &arrival)
{
    return record(std::vector<Arrival>{arrival}).front();
}

std::optional<Goal> PracticeStore::goalOf(const DriverFilter &driver)
{
    const std::optional<Driver> found = driver ? this->driver(*driver) : std::nullopt;
    return found ? found->goal : std::nullopt;
}

} // namespace history
