#include "lab/LabSaver.h"

#include "save/SavedWorld.h"
#include "save/SavedWorldWriter.h"
#include "world/World.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

LabSaver::~LabSaver() {
    if (writer.joinable())
        writer.join();
}

std::string LabSaver::nextName(const std::string& folder) {
    for (int number = 1;; ++number) {
        char name[32];
        std::snprintf(name, sizeof name, "world-%04d.sylvara", number);
        if (access((folder + "/" + name).c_str(), F_OK) != 0)
            return name;
    }
}

void LabSaver::wait() {
    if (writer.joinable())
        writer.join();
}

std::string LabSaver::pathOf(const std::string& name) const {
    return name.empty() || name[0] == '/' || folder == "." ? name : folder + "/" + name;
}

bool LabSaver::saveAs(World& world, const std::string& name, std::string& error) {
    if (writer.joinable())
        writer.join();
    const std::string path = pathOf(name);
    if (!SavedWorldWriter::canWrite(path, error))
        return false;
    const auto begun = std::chrono::steady_clock::now();
    auto snapshot = std::make_shared<const SavedWorld>(SavedWorld::capture(world));
    const double captured = secondsSince(begun);
    const long tick = world.getTickNumber();
    const size_t organisms = world.getLives().size();
    writer = std::thread([this, snapshot, path, tick, organisms, captured] {
        const auto started = std::chrono::steady_clock::now();
        std::string failed;
        if (snapshot->write(path, failed))
            std::printf(
                "saved %s: tick %ld, %zu organisms; the window stood still %.3f s, the file took %.2f s\n",
                path.c_str(), tick, organisms, captured, secondsSince(started));
        else
            std::fprintf(stderr, "could not save the world: %s\n", failed.c_str());
        std::fflush(stdout);
    });
    return true;
}
