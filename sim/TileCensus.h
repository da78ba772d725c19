#pragma once

#include "life/Lives.h"

#include <cstdio>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include <osg/ref_ptr>

// The living of each kind tile by tile, one CSV row per tile at every census row: what a board-wide
// count averages away, such as neighbouring tiles booming and crashing out of step.
class TileCensus {
public:
    struct Counts {
        int column = 0;
        int row = 0;
        int herbivores = 0;
        int carnivores = 0;
        int plants = 0;
    };

    explicit TileCensus(std::string file) : file(std::move(file)) {}
    ~TileCensus();
    TileCensus(const TileCensus&) = delete;
    TileCensus& operator=(const TileCensus&) = delete;

    // Every tile of a board of the size, in row order then column, counted as the census counts (a
    // dying organism no longer lives).
    static std::vector<Counts> of(const Lives& lives, int size);
    static std::string csvHeader() { return "tick,column,row,herbivores,carnivores,plants"; }

    // Opens the file and writes the header; false with a one-line reason.
    bool open(std::string& error);
    // The rows of one census; a failure is said once, and the file ends with the last whole row.
    void write(long tick, const std::vector<Counts>& tiles, std::ostream& out);
    // False when the file failed at any point.
    bool close(std::ostream& out);
    bool isWhole() const { return !failed; }
    long getRows() const { return rows; }
    const std::string& getFile() const { return file; }

private:
    bool writeText(const std::string& text, std::ostream& out);

    std::string file;
    std::FILE* stream = nullptr;
    bool failed = false;
    long bytes = 0;
    long rows = 0;
};
