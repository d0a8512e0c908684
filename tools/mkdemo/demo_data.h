#pragma once

#include "platform/runtime/variant.h"

#include <vector>

// A realistic Abicab.mdb for the demo and the benchmark: banks with
// Italian-looking names, ABI codes from 1000 up, a quarter in the 8000s of
// the cooperative banks; their branches in real
// towns with addresses, postal codes and province codes. The same sizes give
// the same rows on every run.
struct DemoSize {
    int banks = 1000;
    int branches = 40000;
};

struct DemoData {
    std::vector<std::vector<Variant>> banks;     // in the columns of table abi, by ABI code
    std::vector<std::vector<Variant>> branches;  // in the columns of table abicab, by ABI and CAB code
};

// Throws std::invalid_argument beyond 30000 banks or 10000 branches a bank.
DemoData GenerateDemoData(DemoSize size = {});
