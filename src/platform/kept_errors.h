// Errors raised on helper threads. A codec that runs frames side by side calls
// ShowError from wherever a frame fails, but only the thread that owns the user
// interface may show anything. While a KeptErrors is alive on a thread, ShowError
// there only keeps the text; the owning thread shows the texts later, in order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace kivo {

class KeptErrors {
public:
    KeptErrors();   // starts keeping this thread's errors
    ~KeptErrors();  // stops; a KeptErrors alive before is in force again
    KeptErrors(const KeptErrors&) = delete;
    KeptErrors& operator=(const KeptErrors&) = delete;

    const std::vector<std::string>& texts() const { return texts_; }

private:
    friend bool KeepError(std::string_view text);
    std::vector<std::string> texts_;
    KeptErrors* outer_ = nullptr;
};

// Shows texts through ShowError, in order (on the thread that owns the user
// interface), and empties the list.
void ShowKeptErrors(OwnerWindow owner, std::vector<std::string>& texts);

// Called by ShowError: true when a KeptErrors on this thread took the text.
bool KeepError(std::string_view text);

}  // namespace kivo
