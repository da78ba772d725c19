#include "tools/SoundArt.h"

bool SoundArt::writeAll(const std::string&) { return true; }
