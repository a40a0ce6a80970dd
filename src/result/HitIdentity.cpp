#include "result/HitIdentity.h"

#include "engine/CScanEngine.h"

HitIdentity AskHitIdentity(const HitIdentityHook& hook) {
  HitIdentity hit;
  if (hook) {
    hook(&hit.file, &hit.folder);
  } else if (const CScanEngine* engine = ApplicationScanEngine()) {
    engine->OpenTargetIdentity(&hit.file, &hit.folder);
  }
  return hit;
}
