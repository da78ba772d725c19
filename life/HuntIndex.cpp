#include "life/HuntIndex.h"

#include "life/Animal.h"
#include "life/LifeList.h"
#include "world/WorldTile.h"

#include <algorithm>
#include <cmath>
#include <limits>

bool HuntIndex::build(const LifeList& candidates) {
    entries.clear();
    for (Bucket& bucket : buckets) {
        bucket.order.clear();
        bucket.front = 0;
    }
    for (Life* candidate : candidates) {
        if (!candidate->isValid())
            return false;
        const unsigned position = static_cast<unsigned>(entries.size());
        entries.push_back(candidate);
        const int size = candidate->getSize();
        if (candidate->getState() == STATE_IDLE && size >= 0 && size <= MAX_SIZE)
            buckets[size].order.push_back(position);
    }
    return true;
}

Life* HuntIndex::firstIn(Bucket& bucket, const Animal& hunter, unsigned& position) {
    while (bucket.front < bucket.order.size() &&
           entries[bucket.order[bucket.front]]->getState() != STATE_IDLE)
        ++bucket.front;
    // The hunter itself stays a candidate for the others: look past it without dropping it.
    for (size_t i = bucket.front; i < bucket.order.size(); ++i) {
        Life* candidate = entries[bucket.order[i]];
        if (candidate->getState() != STATE_IDLE)
            continue;
        if (candidate->getId() == hunter.getId() || hunter.spares(candidate))
            continue;
        position = bucket.order[i];
        return candidate;
    }
    return nullptr;
}

Life* HuntIndex::firstPrey(const Animal& hunter) {
    const int preySize = hunter.getPreySize();
    const float t = preySize * hunter.getTile()->rules().animalPreyTolerance;
    Life* best = nullptr;
    unsigned bestPosition = std::numeric_limits<unsigned>::max();
    const bool smaller = hunter.takesSmaller();
    const int low = smaller ? 0 : std::max(0, static_cast<int>(std::floor(preySize - t)));
    const int high = std::min(MAX_SIZE, static_cast<int>(std::ceil(preySize + t)));
    for (int c = low; c <= high; ++c) {
        // The same test, in the same arithmetic, as the prey test itself.
        if (!((smaller || c + t > preySize) && c - t < preySize))
            continue;
        unsigned position = 0;
        Life* candidate = firstIn(buckets[c], hunter, position);
        if (candidate && position < bestPosition) {
            best = candidate;
            bestPosition = position;
        }
    }
    return best;
}
