// The exception a CDString throws when a text cannot be built: no memory for it (code 0)
// or a combined length beyond what a text may hold (code 1). Callers that build texts on a
// search path catch it and treat it like the out-of-memory condition.
#pragma once

#include <exception>

class CDStringException : public std::exception {
 public:
  enum Code { kNoMemory = 0, kLengthOverflow = 1 };

  explicit CDStringException(Code code) : code_(code) {}
  Code code() const { return code_; }
  const char* what() const noexcept override {
    return code_ == kNoMemory ? "CDString: out of memory" : "CDString: length overflow";
  }

 private:
  Code code_;
};
