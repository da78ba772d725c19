#include "tools/ModelArt.h"

#include "tools/SceneArt.h"

bool ModelArt::writeAll(const std::string& folder) {
    return SceneArt::writeAll(folder);
}
