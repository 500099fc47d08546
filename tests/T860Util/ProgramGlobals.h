#pragma once
// The program keeps its device status, settings channels, window pointers,
// scope channel, touch memory and first-time-only traces for the whole
// process. Every window test starts from them as a fresh program has them, so
// that tests pass in any order within one process.

// Call only while no engine thread runs: before a test starts device access,
// and after its threads were stopped and joined.
void ResetProgramGlobals();
