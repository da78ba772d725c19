#include "tools/ModelArt.h"

#include "tools/AnimalArt.h"
#include "tools/BloomArt.h"
#include "tools/SceneArt.h"

bool ModelArt::writeAll(const std::string& folder) {
    const bool scenes = SceneArt::writeAll(folder);
    const bool animals = AnimalArt::writeAll(folder);
    const bool blooms = BloomArt::writeAll(folder);
    return scenes && animals && blooms;
}
