// A plain model of both operations, written from their documented rules
// and sharing no code with the module: direct formulas per pixel and a
// breadth-first search for the region. Each returns the number of results
// the call gives and applies the call's changes to `pixels`.
#ifndef Q_VEIL_KIT_FUZZ_REFERENCE_H
#define Q_VEIL_KIT_FUZZ_REFERENCE_H

#include <cstdint>
#include <vector>

#include "fuzz_case.h"

namespace qveil::fuzz {

int ReferenceAlphaDataSet(const FuzzCase& c, std::vector<std::uint32_t>& pixels);
int ReferenceAlphaFillColor(const FuzzCase& c, std::vector<std::uint32_t>& pixels);

}  // namespace qveil::fuzz

#endif  // Q_VEIL_KIT_FUZZ_REFERENCE_H
