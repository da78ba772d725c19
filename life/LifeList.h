#pragma once

#include <cstddef>
#include <iterator>
#include <vector>

class Life;

// The organisms standing on one tile, in the order they arrived. They sit in
// one array, so a walk over a crowded board reads memory in order and can ask
// for the lives ahead of it before it needs them. An organism that leaves
// while a walk is running leaves a hole, closed once no walk runs.
class LifeList {
public:
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Life*;
        using difference_type = std::ptrdiff_t;
        using pointer = Life* const*;
        using reference = Life*;

        const_iterator(const LifeList* list, std::size_t slot) : list(list), slot(list->liveFrom(slot)) {}
        Life* operator*() const { return list->slots[slot]; }
        const_iterator& operator++() {
            slot = list->liveFrom(slot + 1);
            return *this;
        }
        bool operator!=(const const_iterator& other) const { return slot != other.slot; }
        bool operator==(const const_iterator& other) const { return slot == other.slot; }

    private:
        const LifeList* list;
        std::size_t slot;
    };

    // The most lives of one list asked for at once.
    static constexpr std::size_t LIVES_AT_ONCE = 32;

    LifeList() = default;
    LifeList(const LifeList&) = delete;
    LifeList& operator=(const LifeList&) = delete;

    void push_back(Life* life);
    // Takes the life out, keeping the order of the others; false when it is not in this list.
    bool remove(Life* life);

    std::size_t size() const { return count; }
    bool empty() const { return count == 0; }
    // Whether every life listed has a valid id: only then may a hunt skip meeting them one by one.
    bool allValid() const { return invalid == 0; }
    // The first and last lives; null when the list is empty.
    Life* front() const { return empty() ? nullptr : *begin(); }
    Life* back() const;
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, slots.size()); }

    // Visits every life in order, taking each successor before the visit: a life may leave
    // the list during its own visit, and lives that arrive during the walk are visited too,
    // unless the walk had already reached its last life when they came.
    template <typename Visit> void walk(Visit visit) { walkFrom(visit, false); }
    // The same walk, asking on the way for the lives ahead of it and for the scene parts they
    // write: for a visit long enough to cover the trip to memory.
    template <typename Visit> void walkAskingAhead(Visit visit) { walkFrom(visit, lookAhead); }

    // Whether walks ask for lives ahead of time: worth it once the lives no longer fit in the
    // cache, a cost before. One setting for every list; the World sets it each tick.
    static void setLookAhead(bool on) { lookAhead = on; }
    static bool looksAhead() { return lookAhead; }

    // Ask for where the lives are listed; then, once that has come, for the lives a walk meets
    // first, for the scene parts they write and for what they reach. A walk asking ahead asks
    // for the ones further on itself.
    void prefetchSlots() const;
    void prefetchFront() const;
    void prefetchFrontParts() const;
    void prefetchFrontReach() const;

    // Visits the chosen lives that are listed here, in list order, as a walk would meet them: a
    // life may leave during its visit, and the holes close once no walk runs. Chosen is reordered.
    template <typename Visit> void walkChosen(std::vector<Life*>& chosen, Visit visit) {
        inListOrder(chosen);
        ++walking;
        for (Life* life : chosen)
            visit(life);
        if (--walking == 0)
            compact();
    }

    // Calls ask with each of the first lives, in order.
    template <typename Ask> void eachOfFirst(std::size_t howMany, Ask ask) const {
        for (std::size_t slot = 0; slot < howMany; ++slot)
            if (const Life* life = lifeAt(slot))
                ask(life);
    }

private:
    // Keeps only the lives listed here, sorted in list order.
    void inListOrder(std::vector<Life*>& chosen) const;
    std::size_t liveFrom(std::size_t slot) const;
    // The life in the slot; null for a hole or past the end.
    const Life* lifeAt(std::size_t slot) const;
    void prefetchAhead(std::size_t slot) const;
    template <typename Visit> void walkFrom(Visit visit, bool askAhead);
    void compact();

    static bool lookAhead;

    std::vector<Life*> slots;
    std::size_t count = 0;
    // Lives listed with an invalid id; an id never changes while listed.
    std::size_t invalid = 0;
    int walking = 0;
};

inline const Life* LifeList::lifeAt(std::size_t slot) const {
    return slot < slots.size() ? slots[slot] : nullptr;
}

inline std::size_t LifeList::liveFrom(std::size_t slot) const {
    while (slot < slots.size() && !slots[slot])
        ++slot;
    return slot < slots.size() ? slot : slots.size();
}

template <typename Visit> void LifeList::walkFrom(Visit visit, bool askAhead) {
    ++walking;
    for (std::size_t slot = liveFrom(0); slot < slots.size();) {
        if (askAhead)
            prefetchAhead(slot);
        Life* life = slots[slot];
        const std::size_t next = liveFrom(slot + 1);
        const bool last = next >= slots.size();
        visit(life);
        if (last)
            break;
        // Should the successor have left during the visit, the walk goes on after it.
        slot = liveFrom(next);
    }
    if (--walking == 0)
        compact();
}
