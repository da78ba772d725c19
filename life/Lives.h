#pragma once

#include "life/Life.h"
#include "life/PoolAllocator.h"

#include <osg/ref_ptr>

#include <functional>
#include <map>

// The organisms of a world by id, the order every walk over all of them follows. There is a node
// for each organism, so the nodes come from the organisms' pool.
using Lives = std::map<int, osg::ref_ptr<Life>, std::less<int>,
                       PoolAllocator<std::pair<const int, osg::ref_ptr<Life>>>>;
