// What the OS says about the user the program runs for: the environment variables that
// name the user's folders, the account's home folder, and whether this user may write into
// a folder. Texts are CP932 (mapped losslessly from the OS's bytes), as every path is.
#pragma once

#include <string>

namespace platform {

// The value of an environment variable; empty when it is unset or empty.
std::string EnvironmentValue(const char* name);

// The home folder of the account (the password database), for a process whose HOME is
// unset or unusable; empty when unknown.
std::string AccountHomeFolder();

// The real user may create files in the folder (access W_OK: the real user and group, not
// the effective ones, and a read-only mount counts as not writable).
bool CanWriteFolder(const std::string& folder);

// mkdir with mode 0700: a folder that only its owner may enter, as the user's own data
// and settings folders are made. False with *error (EEXIST when it is there already).
bool MakePrivateDirectory(const std::string& path, int* error = nullptr);

}  // namespace platform
