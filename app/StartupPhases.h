#pragma once

// Where the start-up's time goes, for a benchmark build (GW_STARTUP_PHASES): each call appends the
// phase's name and the milliseconds since the process was created to GatewardenStartup.txt in the
// temporary folder. In every other build it does nothing and costs nothing.
#ifdef GW_STARTUP_PHASES
void NoteStartupPhase(const char* phase);
#else
inline void NoteStartupPhase(const char*) {}
#endif
