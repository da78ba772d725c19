#pragma once

#include <string>

// Synthesizes the numbered birth and death sounds into one folder.
class SoundArt {
public:
    static bool writeAll(const std::string& folder);
};
