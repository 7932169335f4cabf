// Single-core peak of fused multiply-adds, measured with independent FMA chains in the
// widest vector unit the processor has.
#pragma once

struct FmaPeak {
    double gflops = 0.0;
    const char* isa = "";
};

FmaPeak MeasureFmaPeak();
