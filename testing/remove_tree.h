#pragma once

#include <filesystem>

namespace qm {

// Removes a test's folder and everything in it, ignoring errors. Unlike
// std::filesystem::remove_all it copes with an entry that vanishes between
// the listing and its removal (MinGW's remove_all spins forever on one).
void RemoveTree(const std::filesystem::path& root);

}  // namespace qm
