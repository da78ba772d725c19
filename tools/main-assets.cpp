// Makes Sylvara's art and sounds into a run tree: <stage>/models and <stage>/sounds.
#include "art/ModelArt.h"
#include "art/SoundArt.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::printf("usage: %s STAGE_DIR\n", argv[0]);
        return 1;
    }
    const std::string stage = argv[1];
    const bool models = ModelArt::writeAll(stage + "/models");
    const bool sounds = SoundArt::writeAll(stage + "/sounds");
    return models && sounds ? 0 : 1;
}
