#include "ui/LockKeys.h"

#include <QGuiApplication>

#ifdef VORLET_HAVE_XKB
// Last: the X11 headers define macros (None, Bool, KeyPress) that Qt's headers also use.
#include <X11/XKBlib.h>
#endif

bool ReadLockStates(LockStates* states) {
#ifdef VORLET_HAVE_XKB
  auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  Display* display = x11 != nullptr ? x11->display() : nullptr;
  if (display == nullptr) return false;
  // By name, not by bit: the indicator numbers depend on the keyboard map.
  auto lit = [display](const char* name, bool* on) {
    Bool state = False;
    const Atom atom = XInternAtom(display, name, False);
    if (atom == 0 || !XkbGetNamedIndicator(display, atom, nullptr, &state, nullptr, nullptr)) return false;
    *on = state != False;
    return true;
  };
  LockStates read;
  const bool any = lit("Caps Lock", &read.caps) | lit("Num Lock", &read.num) | lit("Scroll Lock", &read.scroll);
  if (!any) return false;
  lit("Kana", &read.kana);
  *states = read;
  return true;
#else
  (void)states;
  return false;
#endif
}
