#include "platform/parallel.h"

#include <cstdlib>

namespace kivo {

unsigned WorkerThreadCount() {
    // KIVO_THREADS caps the count (1 turns parallel work off), for measuring.
    static const unsigned count = [] {
        unsigned n = std::thread::hardware_concurrency();
        if (n == 0) n = 1;
        if (const char* env = std::getenv("KIVO_THREADS")) {
            long v = std::strtol(env, nullptr, 10);
            if (v >= 1 && v < long(n)) n = unsigned(v);
        }
        return n > 8 ? 8u : n;
    }();
    return count;
}

}  // namespace kivo
