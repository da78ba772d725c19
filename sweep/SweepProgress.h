#pragma once

#include <iosfwd>
#include <string>

// How far a sweep has come: jobs done, jobs left and the time left at the pace of this run.
// On a terminal one line redrawn in place; elsewhere one line each time a job finishes.
class SweepProgress {
public:
    // doneBefore: jobs a previous, interrupted run already finished.
    SweepProgress(std::ostream& out, int total, int doneBefore, bool terminal);

    void update(int done, double elapsedSeconds);
    void finish();

    // "jobs done 5/16, left 11, ETA 1 min 2 s": the time left is the wall time per job of this run
    // times the jobs left (the slots' parallelism is in the wall time).
    static std::string line(int done, int total, int doneBefore, double elapsedSeconds);

private:
    std::ostream& out;
    int total;
    int doneBefore;
    bool terminal;
    int shownDone = -1;
};
