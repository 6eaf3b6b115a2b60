#include "platform/kept_errors.h"

#include <new>

namespace kivo {
namespace {

thread_local KeptErrors* current = nullptr;

}  // namespace

KeptErrors::KeptErrors() : outer_(current) { current = this; }

KeptErrors::~KeptErrors() { current = outer_; }

bool KeepError(std::string_view text) {
    if (!current) return false;
    try {
        current->texts_.emplace_back(text);
    } catch (const std::bad_alloc&) {
        // The failure itself is still reported by the caller's result.
    }
    return true;
}

void ShowKeptErrors(OwnerWindow owner, std::vector<std::string>& texts) {
    for (const std::string& text : texts) ShowError(owner, text);
    texts.clear();
}

}  // namespace kivo
