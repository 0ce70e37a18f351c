// The CPU time of the process to the nanosecond, for the Tcl halves of the
// benchmarks: Tcl itself has only wall clocks, and /proc's counters move
// in scheduler ticks (4 or 10 ms), too coarse for a step of a few ms.
//   package require tavrel_cpu_clock; ::tavrel_cpu_clock::ns
#include <ctime>

#include <tcl.h>

namespace {

int cpu_ns(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc != 1) {
        Tcl_WrongNumArgs(interp, 1, objv, nullptr);
        return TCL_ERROR;
    }
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    Tcl_SetObjResult(interp, Tcl_NewWideIntObj(Tcl_WideInt{now.tv_sec} * 1000000000 + now.tv_nsec));
    return TCL_OK;
}

}  // namespace

extern "C" int Tavrel_cpu_clock_Init(Tcl_Interp *interp) {
    if (!Tcl_InitStubs(interp, "8.6", 0)) return TCL_ERROR;
    Tcl_CreateObjCommand(interp, "::tavrel_cpu_clock::ns", cpu_ns, nullptr, nullptr);
    return Tcl_PkgProvide(interp, "tavrel_cpu_clock", "1.0");
}
