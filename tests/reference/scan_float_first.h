// The decimal scan as first written (scan_float_first.cpp), the oracle of the
// faster one.
#ifndef MQO_TESTS_REFERENCE_SCAN_FLOAT_FIRST_H
#define MQO_TESTS_REFERENCE_SCAN_FLOAT_FIRST_H

namespace mqo::reference {

// "%f" at s, as the line scanner's mqoScanFloat first did it.
const char* mqoScanFloatFirst(const char* s, float* value);

}  // namespace mqo::reference

#endif  // MQO_TESTS_REFERENCE_SCAN_FLOAT_FIRST_H
