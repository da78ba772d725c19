#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstddef>
#include <vector>

namespace py = pybind11;

// The memory of a table's columns, taken at once and in huge pages where the system gives them: a
// 300,000-row table is some 40 MB, and touching it page by page costs more than filling it.
class ColumnBlock {
public:
    // Room for so many rows of columns each so many bytes a row.
    ColumnBlock(const std::vector<size_t>& widths, size_t rows);
    template <typename T> T* at(size_t column) const { return reinterpret_cast<T*>(first + starts[column]); }
    // The column's first rows as a numpy array that keeps the whole block alive.
    py::array column(size_t index, const py::dtype& type, size_t rows) const;

private:
    struct Mapping {
        char* base;
        size_t length;
    };
    std::vector<size_t> starts;
    size_t length = 0;
    size_t mapped = 0;
    char* base = nullptr;
    char* first = nullptr;
    py::capsule owner;
};
