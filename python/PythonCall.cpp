#include "python/PythonCall.h"

#include "common/OutputFiles.h"

std::mutex& PythonCall::tickLock() {
    static std::mutex lock;
    return lock;
}

void PythonCall::raise(PyObject* type, const std::string& message) {
    PyErr_SetString(type, OutputFiles::printable(message).c_str());
    throw py::error_already_set();
}

bool PythonCall::isWhole(const py::handle& value) {
    return py::isinstance<py::int_>(value) && !py::isinstance<py::bool_>(value);
}

bool PythonCall::isNumber(const py::handle& value) {
    return isWhole(value) || py::isinstance<py::float_>(value);
}

std::string PythonCall::typeName(const py::handle& value) {
    return py::str(py::type::of(value).attr("__name__"));
}

std::string PythonCall::pathOf(const py::handle& value, const char* what) {
    py::object path;
    try {
        path = py::module_::import("os").attr("fspath")(value);
    } catch (const py::error_already_set&) {
        raise(PyExc_TypeError,
              std::string(what) + " must be a path (str or os.PathLike), not " + typeName(value));
    }
    if (!py::isinstance<py::str>(path))
        raise(PyExc_TypeError,
              std::string(what) + " must be a path (str or os.PathLike), not " + typeName(path));
    const std::string text = path.cast<std::string>();
    if (text.find('\0') != std::string::npos)
        raise(PyExc_ValueError, std::string(what) + " holds a NUL character");
    return text;
}

std::string PythonCall::numberText(const py::handle& value) {
    return py::str(py::isinstance<py::float_>(value) ? py::repr(value) : py::str(value));
}
