// What a command-line program needs of its terminal and of the signals sent to it: whether
// a standard stream is a terminal and how wide it is, which text encoding the user's
// locale asks for, and an interrupt (Ctrl+C, SIGTERM, SIGHUP) that only raises a flag, so
// that a running search can stop at its next check and still finish its log.
#pragma once

#include <string_view>

namespace platform {

enum class StandardStream { Output, Error };

bool IsTerminal(StandardStream stream);
// Columns of the terminal behind stream; 0 when it is not a terminal or does not say.
int TerminalColumns(StandardStream stream);

// The locale (LC_ALL, else LC_CTYPE, else LANG) names a Shift_JIS code set (SJIS,
// Shift_JIS, CP932, Windows-31J, PCK): such a terminal shows CP932 bytes as they are.
bool LocaleUsesCp932();

// From now on the first SIGINT, SIGTERM or SIGHUP only raises the flag; a second one of
// the same kind ends the process as usual, so a program stuck in a system call (a read
// of a hung network file system) can still be interrupted. Writes to the standard
// streams through WriteStream do not hold a stop up.
void CatchInterrupt();
bool InterruptRequested();

// Writes all of bytes to the stream. While the stream takes nothing (a pipe whose reader
// does not read, a terminal held with Ctrl+S) it waits, and gives up a fraction of a
// second after an interrupt was requested: a stop must not wait on a reader. False with
// *error set: the write's errno, or EINTR when it gave up for an interrupt.
bool WriteStream(StandardStream stream, std::string_view bytes, int* error);

// A reader that goes away (a pipe into "head") makes writes fail instead of ending the
// process, so a search that acts on files still finishes and writes its log.
void IgnoreBrokenPipe();

}  // namespace platform
