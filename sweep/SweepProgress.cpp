#include "sweep/SweepProgress.h"

#include <cmath>
#include <ostream>

namespace {

std::string duration(double seconds) {
    const long whole = std::lround(seconds);
    if (whole < 60)
        return std::to_string(whole) + " s";
    if (whole < 3600)
        return std::to_string(whole / 60) + " min " + std::to_string(whole % 60) + " s";
    return std::to_string(whole / 3600) + " h " + std::to_string(whole % 3600 / 60) + " min";
}

} // namespace

SweepProgress::SweepProgress(std::ostream& out, int total, int doneBefore, bool terminal)
    : out(out), total(total), doneBefore(doneBefore), terminal(terminal) {}

std::string SweepProgress::line(int done, int total, int doneBefore, double elapsedSeconds) {
    const int left = total - done;
    std::string text = "jobs done " + std::to_string(done) + "/" + std::to_string(total) + ", left " +
                       std::to_string(left) + ", ETA ";
    const int doneNow = done - doneBefore;
    if (left == 0)
        return text + "0 s";
    if (doneNow <= 0)
        return text + "unknown";
    return text + duration(elapsedSeconds / doneNow * left);
}

void SweepProgress::update(int done, double elapsedSeconds) {
    if (terminal) {
        out << "\r" << line(done, total, doneBefore, elapsedSeconds) << "\033[K" << std::flush;
        shownDone = done;
        return;
    }
    if (done == shownDone)
        return;
    out << line(done, total, doneBefore, elapsedSeconds) << std::endl;
    shownDone = done;
}

void SweepProgress::finish() {
    if (terminal && shownDone >= 0)
        out << "\n" << std::flush;
}
