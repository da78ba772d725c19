#pragma once

#include <pybind11/pybind11.h>

#include <mutex>
#include <string>

namespace py = pybind11;

// What every call from Python needs: its arguments checked with Sylvara's own messages, and the
// refusals raised as Python errors.
class PythonCall {
public:
    // Every world draws from the one rand(): two ticking at once would draw each other's numbers.
    static std::mutex& tickLock();
    // Raises the Python error with the message on one line, whatever a name in it holds.
    [[noreturn]] static void raise(PyObject* type, const std::string& message);
    // An int that is no bool.
    static bool isWhole(const py::handle& value);
    static bool isNumber(const py::handle& value);
    static std::string typeName(const py::handle& value);
    // A path as os.fspath gives it: str or os.PathLike, never bytes nor one holding NUL.
    static std::string pathOf(const py::handle& value, const char* what);
    // A number as the rules and commands read it: the shortest round-trip text for a float.
    static std::string numberText(const py::handle& value);
};
