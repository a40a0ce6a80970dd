// The states of the lock keys the status bar shows. Qt has no portable way to read them;
// on X11 the keyboard extension's indicators tell. Elsewhere (offscreen, Wayland) they
// cannot be read, and the status bar keeps its indicators grey.
#pragma once

struct LockStates {
  bool kana = false;
  bool caps = false;
  bool num = false;
  bool scroll = false;
};

// The current states; false when the platform cannot tell (states left unchanged).
bool ReadLockStates(LockStates* states);
