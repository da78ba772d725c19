#include "art/ModelArt.h"

#include "art/AnimalArt.h"
#include "art/BloomArt.h"
#include "art/SceneArt.h"

bool ModelArt::writeAll(const std::string& folder) {
    const bool scenes = SceneArt::writeAll(folder);
    const bool animals = AnimalArt::writeAll(folder);
    const bool blooms = BloomArt::writeAll(folder);
    return scenes && animals && blooms;
}
