#include "measure/ProgramIo.h"

#include "core/Program.h"

namespace ostrel {

ProgramIo::ProgramIo(Program& program) : program_(program), link_(program), simulated_(program) {}

bool ProgramIo::simulated() const {
    return program_.settings.link.bus == BusSimulation;
}

SourceIo& ProgramIo::current() {
    if (simulated()) return simulated_;
    return link_;
}

} // namespace ostrel
