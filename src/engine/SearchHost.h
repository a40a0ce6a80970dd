// What a running search needs of the program around it: the status text (pane 0 of the
// status bar) and a chance to handle pending window events so the user can stop it. The
// desktop program implements it over Qt, the command line over stderr and signals, and
// tests with fakes that count calls or stop after N files.
#pragma once

#include <string>

class SearchHost {
 public:
  virtual ~SearchHost() = default;
  // text is CP932; shown at once (the search keeps the event loop busy).
  virtual void SetStatusText(const std::string& text) = 0;
  // Handles pending events. A stop request clears the engine's running flag from here
  // (Esc, the stop button, a close request, SIGINT).
  virtual void PumpEvents() = 0;
};
