#include "python/ColumnBlock.h"

#include <cstdint>
#include <new>
#include <sys/mman.h>

ColumnBlock::ColumnBlock(const std::vector<size_t>& widths, size_t rows) {
    for (size_t width : widths) {
        starts.push_back(length);
        length += (width * rows + 63) / 64 * 64;
    }
    const size_t huge = size_t(2) << 20;
    mapped = length + huge;
    void* map = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED)
        throw std::bad_alloc();
    base = static_cast<char*>(map);
    const uintptr_t at = reinterpret_cast<uintptr_t>(base);
    first = base + ((at + huge - 1) / huge * huge - at);
    madvise(first, length, MADV_HUGEPAGE);
    owner = py::capsule(new Mapping{base, mapped}, [](void* mapping) {
        const auto* m = static_cast<Mapping*>(mapping);
        munmap(m->base, m->length);
        delete m;
    });
}

py::array ColumnBlock::column(size_t index, const py::dtype& type, size_t rows) const {
    return py::array(type, std::vector<py::ssize_t>{static_cast<py::ssize_t>(rows)}, {},
                     first + starts[index], owner);
}
