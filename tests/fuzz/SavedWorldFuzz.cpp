// Feeds any bytes to the saved-world loader as a file: it must refuse or accept them without a
// crash, a leak or undefined behaviour, and what it accepts must hold together.
#include "save/SavedWorldReader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <unordered_set>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                                    "/sylvara-fuzz-savedworld-" + std::to_string(getpid()) + ".sylvara";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    WorldRecord world;
    std::string error;
    if (SavedWorldReader::read(path, world, error)) {
        std::unordered_set<int> ids;
        for (const AnimalRecord& a : world.animals)
            ids.insert(a.life.id);
        for (const PlantRecord& p : world.plants)
            ids.insert(p.life.id);
        for (const AnimalRecord& a : world.animals)
            if (a.targetId != AnimalRecord::NO_TARGET && ids.count(a.targetId) == 0)
                std::abort();
        if (world.tiles.size() != static_cast<size_t>(world.size) * world.size)
            std::abort();
    } else if (error.empty() || error.find('\n') != std::string::npos) {
        std::abort();
    }
    std::remove(path.c_str());
    return 0;
}
