#pragma once

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

namespace py = pybind11;

class PythonWorld;

// world.rules: every rule by name, read and set between ticks.
class RulesView {
public:
    explicit RulesView(PythonWorld& world) : world(world) {}
    py::object get(const std::string& name) const;
    void set(const std::string& name, const py::handle& value);
    void update(const py::handle& settings);
    bool contains(const py::handle& name) const;
    std::vector<std::string> keys() const;
    py::dict asDict() const;
    std::string repr() const;

private:
    PythonWorld& world;
};
