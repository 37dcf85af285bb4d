#include "FixedPlatform.h"

FixedPlatform::FixedPlatform() {
    Platform::SetCurrent(this);
}

FixedPlatform::~FixedPlatform() {
    Platform::SetCurrent(nullptr);
}
