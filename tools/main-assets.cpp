// Makes Sylvara's art and sounds into a run tree: <stage>/models and <stage>/sounds.
#include "art/ModelArt.h"
#include "art/SoundArt.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    const std::string program = argv[0];
    const std::string usage = "usage: " + program +
                              " STAGE_DIR\nMakes every model and sound into STAGE_DIR/models "
                              "and STAGE_DIR/sounds.\n";
    const std::string first = argc > 1 ? argv[1] : "";
    if (argc == 2 && (first == "-h" || first == "--help")) {
        std::fputs(usage.c_str(), stdout);
        return 0;
    }
    // An option where the folder belongs is a slip, not a folder to fill.
    if (argc != 2 || first.empty() || first[0] == '-') {
        std::fputs(usage.c_str(), stderr);
        return 2;
    }
    const bool models = ModelArt::writeAll(first + "/models");
    const bool sounds = SoundArt::writeAll(first + "/sounds");
    return models && sounds ? 0 : 1;
}
