#include "records/UnitSummary.h"

bool UnitSummary::anyFailed() const
{
    for (RecordStep::Mark m : marks) {
        if (m == RecordStep::Failed)
            return true;
    }
    return false;
}

bool UnitSummary::allPassed() const
{
    for (RecordStep::Mark m : marks) {
        if (m != RecordStep::Passed)
            return false;
    }
    return true;
}
