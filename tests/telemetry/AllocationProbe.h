#pragma once

#include <cstddef>

// Records the largest single operator-new request made while armed, so tests can show that
// a table claiming a billion entries allocates kilobytes.
namespace velto::testing {
void ArmAllocationProbe();
size_t LargestAllocationSinceArmed();
}  // namespace velto::testing
