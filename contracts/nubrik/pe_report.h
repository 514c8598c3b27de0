// The text report of one PE file as the library reads it: signature, headers,
// sections, imports, exports, resources and the first debug entry, one fact a
// line. pe_oracle.py prints the same layout from pefile, so the two can be
// compared line by line.
#ifndef CONTRACTS_NUBRIK_PE_REPORT_H
#define CONTRACTS_NUBRIK_PE_REPORT_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace nubrik {

// The report of the `size` bytes at `data`, read through the C interface
// (and pe::Image for what the interface does not carry: section tables with
// repeated names, forwarder texts, type names).
std::string PeReport(const void* data, size_t size);

// Calls every function of the interface on the registered image, each list
// entry included (every import descriptor, every section by name), and
// returns a sum of what came back, so hostile files can be run through all
// of them.
uint64_t ExerciseAllCalls(const void* image);

}  // namespace nubrik

#endif  // CONTRACTS_NUBRIK_PE_REPORT_H
