// Test hooks for every modal question the program asks: message boxes, the folder chooser
// and the open-file and save-file dialogs. A test queues the answers before it acts; while an answer is
// queued no dialog appears, so no test ever blocks. Every question asked is recorded, so a
// test can assert which message (by its text) was shown with which buttons and icon.
// With strict mode on (tests turn it on), a question without a queued answer is recorded
// as unanswered and gets the cancelling answer instead of a window.
#pragma once

#include <string>
#include <vector>

#include "util/MessageBox.h"

class DialogHooks {
 public:
  struct Message {
    std::string text;  // CP932
    MessageButtons buttons;
    MessageIcon icon;
    bool beep;
    int answer;
    bool unanswered;  // strict mode gave the cancelling answer
  };
  struct Request {
    std::string title;    // CP932
    std::string initial;  // CP932
    bool unanswered;
  };

  static void QueueAnswer(int answer);
  // An empty text answers as Cancel.
  static void QueueFolder(const std::string& folder);
  static void QueueOpenFileName(const std::string& path);
  static void QueueSaveFileName(const std::string& path);

  static const std::vector<Message>& Messages();
  static const std::vector<Request>& FolderRequests();
  static const std::vector<Request>& OpenRequests();
  static const std::vector<Request>& SaveRequests();
  // Forgets queued answers and records; strict mode stays as it is.
  static void Reset();
  static void SetStrict(bool strict);
  static bool Strict();

  // For the dialogs themselves: take the next queued answer, if any.
  static bool TakeAnswer(int* answer);
  static bool TakeFolder(std::string* folder);
  static bool TakeOpenFileName(std::string* path);
  static bool TakeSaveFileName(std::string* path);
  static void RecordMessage(const Message& message);
  static void RecordFolderRequest(const Request& request);
  static void RecordOpenRequest(const Request& request);
  static void RecordSaveRequest(const Request& request);
};
