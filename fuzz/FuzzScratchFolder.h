// A scratch folder for the fuzz targets that go through files: one per process, made on
// first use, removed at exit. It lives on /dev/shm when there is one, since every save
// syncs its file and millions of syncs to a disk would be the whole cost of a run.
#pragma once

#include <string>

namespace fuzz_support {

// A sub-folder of this process's scratch folder, with its trailing "/", made empty on
// the first call for that name; later calls give the same folder.
const std::string& ScratchFolder(const std::string& name);

}  // namespace fuzz_support
