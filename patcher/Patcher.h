// The patch program's run, called from its entry point.
#pragma once

// Merges a patch archive into a target archive and writes
// <name>.patched.pbo; answers the exit status.
int RunPatcher(int argc, char** argv);
