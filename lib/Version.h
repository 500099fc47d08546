#pragma once
// The program's version, as the packages and "--version" give it.

// "1.0.0": the newest entry of the package changelog.
const char* ProgramVersion();
