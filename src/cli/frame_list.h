// The --frames argument shared by the commands that pick frames.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kivo::cli {

// "1,3-5" (counted from 1) into zero-based indices below count, in the order
// given; an empty list means every frame. Returns why the list is wrong, or
// empty.
std::string ParseFrameList(const std::string& list, int count, std::vector<int32_t>& out);

}  // namespace kivo::cli
