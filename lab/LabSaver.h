#pragma once

#include <string>
#include <thread>

class World;

// Saves the lab's world on a key. The snapshot is taken between ticks on the thread that ticks
// the world, and written to a numbered file in its folder on a thread of its own, so
// the window goes on while the file is written.
class LabSaver {
public:
    LabSaver() = default;
    // Waits for a file still being written: it is never left half done.
    ~LabSaver();
    LabSaver(const LabSaver&) = delete;
    LabSaver& operator=(const LabSaver&) = delete;

    // Where the files go; the working folder unless set.
    void setFolder(const std::string& where) { folder = where; }
    // Takes the snapshot and starts writing it under a name of the caller's (relative to the folder);
    // waits for a save still being written, so no save asked for is dropped. The line that names the
    // file comes once it is written. False, with a one-line reason, when the file cannot be written:
    // nothing is saved then.
    bool saveAs(World& world, const std::string& name, std::string& error);
    // Until the save being written is done.
    void wait();
    // Where a name given to saveAs ends up.
    std::string pathOf(const std::string& name) const;
    // The first of world-0001.sylvara, world-0002.sylvara, ... that is not in the folder.
    static std::string nextName(const std::string& folder);

private:
    std::string folder = ".";
    std::thread writer;
};
