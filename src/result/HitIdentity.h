// What the search knew of a hit when it read it: the file it fingerprinted and the folder
// it listed the file in. Processing, automatic or by hand, acts only on that file in that
// folder. A part left unknown is not checked.
#pragma once

#include <functional>

#include "platform/FileSystem.h"

struct HitIdentity {
  platform::FileIdentity file;    // the file that was fingerprinted (a link's target)
  platform::FileIdentity folder;  // the folder it was listed in
};

// Asked on a hit while the engine still has the file open (CScanEngine::OpenTargetIdentity).
using HitIdentityHook = std::function<void(platform::FileIdentity* file, platform::FileIdentity* folder)>;

// The identity of the hit being reported: from hook, or without one from the application's
// engine when there is one; unknown otherwise.
HitIdentity AskHitIdentity(const HitIdentityHook& hook);
