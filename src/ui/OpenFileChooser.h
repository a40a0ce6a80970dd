// The open-file dialog of the forms (choosing the log editor), with the same kind of test
// hook as the other dialogs: a queued answer stands in for the dialog, and with
// DialogHooks' strict mode on an unanswered request cancels instead of blocking.
#pragma once

#include <string>
#include <vector>

class QWidget;

class OpenFileChooser {
 public:
  // Only an existing file can be chosen. title, initialPath and filter ("エディタ (*)",
  // several separated by ";;") are CP932; returns the chosen path, empty when cancelled.
  static std::string Choose(QWidget* parent, const std::string& title, const std::string& initialPath,
                            const std::string& filter);

  // An empty path answers as Cancel.
  static void QueueAnswer(const std::string& path);
  // The initial paths of the requests so far.
  static const std::vector<std::string>& Requests();
  static void Reset();
};
