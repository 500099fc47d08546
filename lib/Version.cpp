#include "lib/Version.h"

const char* ProgramVersion() {
    return T860_VERSION;
}
