#include "platform/recording_backend.h"

#include "platform/progress.h"

namespace kivo {

ScopedRecordingBackend::ScopedRecordingBackend() {
    ProgressResetForTesting();
    InstallPlatformBackend(&backend_);
}

ScopedRecordingBackend::~ScopedRecordingBackend() {
    InstallPlatformBackend(nullptr);
    ProgressResetForTesting();
}

}  // namespace kivo
