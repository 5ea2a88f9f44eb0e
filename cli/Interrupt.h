// Ctrl-C handling of the ostrel tool. The first interrupt only asks the
// running command to stop at its next entry, so that it can remove its
// temporary files; a second one ends the program at once, after removing the
// guarded temporary file. Nothing half-written ever carries a final name:
// outputs are written under temporary names and renamed into place.
#pragma once

namespace cli
{
namespace interrupt
{
// Catches SIGINT, SIGTERM and SIGHUP (unblocking them, should the parent have
// left them blocked).
void Install();
// An interrupt has arrived.
bool Requested();
// A library progress callback that prints nothing and answers false once an
// interrupt has arrived, which asks the running work to stop.
bool KeepGoing(const char* format, ...);
// Exit status of a run stopped by the interrupt: 128 plus the signal number
// (130 for SIGINT, 143 for SIGTERM).
int ExitStatus();
// The file a forced exit removes (one at a time; null for none). The text
// must stay valid until it is unguarded.
void Guard(const char* path);
} // namespace interrupt
} // namespace cli
