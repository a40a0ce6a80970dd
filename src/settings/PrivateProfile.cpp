#include "settings/PrivateProfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/Encoding.h"
#include "platform/FileStamp.h"
#include "platform/FileSystem.h"
#include "settings/IniFile.h"
#include "settings/IniFileIndex.h"
#include "util/ShiftJis.h"

namespace {

// The settings text last read or written, parsed, with the stamp of the file it came from.
struct Snapshot {
  std::string path;
  platform::FileStamp stamp;
  // A time (file clock) at which bytes were known to be the file's content.
  int64_t checkedAtNs = 0;
  std::string bytes;
  std::unique_ptr<IniFile> file;
  std::unique_ptr<IniFileIndex> index;
};

// Never destroyed: a setting written from another static object's destructor at exit
// still finds it.
struct State {
  std::mutex mutex;
  std::unique_ptr<Snapshot> snapshot;
  size_t parses = 0;
};

State& TheState() {
  static State* state = new State;
  return *state;
}

// File times advance in ticks of the file system's clock (a few milliseconds; whole
// seconds, or two, on some file systems): a change made in the tick of the last one keeps
// both times as they were. Once the file was seen unchanged a margin longer than a tick
// after its change time, any later change gives it a later one.
constexpr int64_t kFineTickMarginNs = 100'000'000;
constexpr int64_t kCoarseTickMarginNs = 3'000'000'000;

bool Settled(const Snapshot& s) {
  // Times in whole seconds tell of a file system with coarse ticks.
  const bool coarse = s.stamp.changedNs % 1'000'000'000 == 0;
  return s.checkedAtNs - s.stamp.changedNs >= (coarse ? kCoarseTickMarginNs : kFineTickMarginNs);
}

void Install(std::string path, const platform::FileStamp& stamp, int64_t checkedAtNs, std::string bytes,
             std::unique_ptr<IniFile> file) {
  auto fresh = std::make_unique<Snapshot>();
  fresh->path = std::move(path);
  fresh->stamp = stamp;
  fresh->checkedAtNs = checkedAtNs;
  fresh->bytes = std::move(bytes);
  fresh->file = std::move(file);
  fresh->index = std::make_unique<IniFileIndex>(*fresh->file);
  TheState().snapshot = std::move(fresh);
}

// The snapshot of the file at path as it is now, or null with *error when it cannot be
// read. The caller holds the state's mutex.
Snapshot* Current(const std::string& path, int* error) {
  // Taken before the file is looked at: a change after this moment gives a later time.
  const int64_t now = platform::FileClockNowNs();
  // The stamp is taken before the bytes are read, so it is never newer than they are.
  platform::FileStamp stamp;
  if (!platform::GetFileStamp(path, &stamp, error)) return nullptr;
  Snapshot* s = TheState().snapshot.get();
  const bool same = s != nullptr && s->path == path && s->stamp == stamp;
  if (same && Settled(*s)) return s;
  std::string bytes;
  if (!platform::ReadWholeFile(path, &bytes, error)) return nullptr;
  if (same && bytes == s->bytes) {
    s->checkedAtNs = now;
    return s;
  }
  ++TheState().parses;
  auto parsed = std::make_unique<IniFile>(bytes);
  Install(path, stamp, now, std::move(bytes), std::move(parsed));
  return TheState().snapshot.get();
}

std::optional<std::string> FindValue(const std::string& path, std::string_view section, std::string_view key) {
  if (path.empty()) return std::nullopt;
  std::lock_guard<std::mutex> lock(TheState().mutex);
  Snapshot* s = Current(path, nullptr);
  if (s == nullptr) return std::nullopt;
  std::optional<std::string> value = s->index->Find(section, key);
  // The platform hands values over as C strings: a NUL byte in the file ends the text.
  if (value) value->resize(std::min(value->size(), value->find('\0')));
  return value;
}

}  // namespace

std::string CutText(std::string_view text, size_t limit) {
  if (text.size() <= limit) return std::string(text);
  size_t end = 0;
  while (end < limit) {
    const size_t length = shiftjis::CharSize(text, end);
    if (end + length > limit) break;
    end += length;
  }
  return std::string(text.substr(0, end));
}

std::string ReadProfileText(const std::string& path, std::string_view section, std::string_view key,
                            std::string_view defaultValue) {
  std::optional<std::string> value = FindValue(path, section, key);
  return CutText(value ? *value : defaultValue, kProfileTextBufferSize - 1);
}

int ReadProfileInt(const std::string& path, std::string_view section, std::string_view key, int defaultValue) {
  std::optional<std::string> value = FindValue(path, section, key);
  if (!value || value->empty()) return defaultValue;
  return ProfileTextToInt(*value);
}

bool CanReadProfile(const std::string& path, int* error) {
  std::lock_guard<std::mutex> lock(TheState().mutex);
  int failure = 0;
  if (Current(path, &failure) != nullptr || failure == ENOENT) return true;
  if (error != nullptr) *error = failure != 0 ? failure : EIO;
  return false;
}

int ProfileTextToInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  uint32_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    magnitude = magnitude * 10u + static_cast<uint32_t>(text[i] - '0');
  return static_cast<int>(negative ? 0u - magnitude : magnitude);
}

size_t ProfileTextParses() {
  std::lock_guard<std::mutex> lock(TheState().mutex);
  return TheState().parses;
}

bool WriteProfileText(const std::string& path, std::string_view section, std::string_view key,
                      std::string_view value) {
  if (path.empty()) return false;
  std::lock_guard<std::mutex> lock(TheState().mutex);
  int error = 0;
  Snapshot* s = Current(path, &error);
  // A file that is there but cannot be read must not be replaced by one holding only this key.
  if (s == nullptr && error != ENOENT) return false;
  if (!IniFile::CanSet(section, key, value)) return false;
  // Most writes at exit put back what was read at start: they cost no copy of the text.
  if (s != nullptr && s->index->Find(section, key) == value) return true;
  auto edited = std::make_unique<IniFile>(s != nullptr ? *s->file : IniFile());
  bool changed = false;
  if (!edited->Set(section, key, value, &changed)) return false;
  if (!changed) return true;
  std::string text = edited->Text();
  if (!platform::WriteFileAtomic(path, text)) return false;
  platform::FileStamp stamp;
  if (platform::GetFileStamp(path, &stamp)) {
    // Not settled: the next look at the file compares its bytes with these.
    Install(path, stamp, stamp.changedNs, std::move(text), std::move(edited));
  } else {
    TheState().snapshot.reset();
  }
  return true;
}
