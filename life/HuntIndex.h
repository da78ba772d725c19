#pragma once

#include <cstddef>
#include <vector>

class Animal;
class Life;
class LifeList;

// Finds, for each hunter of a crowded tile, the first idle candidate in list
// order whose size fits the hunter's window, without scanning the whole list.
// Built once per tile and hunt pass; candidates only ever stop being idle
// during the pass, which the index notices lazily.
class HuntIndex {
public:
    static constexpr int MAX_SIZE = 100;

    // False, with the index unusable, when a candidate is invalid: only the list walk may
    // meet those, since the prey test speaks of each one it meets.
    bool build(const LifeList& candidates);
    // The candidate the hunter would choose, or null.
    Life* firstPrey(const Animal& hunter);
    bool empty() const { return entries.empty(); }

private:
    struct Bucket {
        std::vector<unsigned> order; // positions in the list, ascending
        std::size_t front = 0;       // entries before it are no longer idle
    };
    Life* firstIn(Bucket& bucket, const Animal& hunter, unsigned& position);

    std::vector<Life*> entries;
    Bucket buckets[MAX_SIZE + 1];
};
