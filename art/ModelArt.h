#pragma once

#include <string>

// Writes every model file the program loads into one folder.
class ModelArt {
public:
    static bool writeAll(const std::string& folder);
};
