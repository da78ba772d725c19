#pragma once

#include "save/WorldRecord.h"

#include <string>
#include <utility>

class World;

// A whole world at one tick: taken from a running World, kept in one SQLite file, and built into a
// fresh World that goes on exactly as the first one would have.
class SavedWorld {
public:
    // Opens and checks everything, without building anything. On failure, error is one line
    // naming the file and the problem.
    static bool read(const std::string& path, SavedWorld& out, std::string& error);
    // A full snapshot, taken between ticks on the thread that ticks the world.
    static SavedWorld capture(World& world);
    // Atomic: the file is either left as it was or holds the whole snapshot. Touches only the
    // snapshot, so another thread may write it while the world ticks on.
    bool write(const std::string& path, std::string& error) const;
    // The board size to construct the World with.
    int getSize() const { return record.size; }
    // Fills a freshly constructed World of that size.
    void restore(World& world) const;
    // Restores the world to go on from where it was saved: with its own seed, or with the one given,
    // which takes over; the next tick starts from the seed for its number.
    void resume(World& world, const unsigned* seed) const;

    const WorldRecord& getRecord() const { return record; }
    // What the measures of evolution keep, written with the world; empty for none.
    void setMeasures(std::string state) { record.measures = std::move(state); }

private:
    // The genotype table as saved, or, for a file without one, a root genotype per genome.
    void restoreGenotypes(World& world) const;

    WorldRecord record;
};
