// Benchmark driver: binds the library to a Tcl interpreter (so its Tcl
// stubs are set) before any benchmark calls into it.
#include <benchmark/benchmark.h>
#include <tcl.h>

#include "tavrel.h"

int main(int argc, char **argv) {
    Tcl_FindExecutable(argv[0]);
    Tcl_Interp *interp = Tcl_CreateInterp();
    if (Tavrel_Init(interp) != TCL_OK) return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Tcl_DeleteInterp(interp);
    return 0;
}
