#pragma once

#include "python/RulesView.h"
#include "python/WorldSession.h"

#include <pybind11/pybind11.h>

#include <memory>
#include <string>

namespace py = pybind11;

// sylvara.World: a WorldSession as Python sees it. Arguments are checked here, with the messages
// sylvara-sim prints; the world ticks with the interpreter released, one world at a time.
class PythonWorld {
public:
    explicit PythonWorld(std::unique_ptr<WorldSession> made) : session(std::move(made)) {}

    static std::unique_ptr<PythonWorld> create(const py::object& size, const py::object& genesis,
                                               const py::object& seed, const py::object& rules,
                                               const py::object& keep);
    static std::unique_ptr<PythonWorld> load(const py::object& path);

    void tick(const py::object& n);
    long tickNumber() { return ready().getTick(); }
    py::dict census();
    py::dict organisms();
    py::dict genotypes();
    std::string newick();
    void command(const py::object& line);
    void save(const py::object& path);
    RulesView rules() { return RulesView(*this); }
    void setRules(const py::object& given);
    std::string repr();

    // The session, refused while another thread ticks it or after a failure left it half-ticked.
    WorldSession& ready();
    // What the commands carried out left unchanged, as warnings.
    void warnNotes();

private:
    // Marks a world in use while the interpreter is released, so another thread's call is refused.
    class InUse {
    public:
        explicit InUse(bool& flag) : flag(flag) { flag = true; }
        ~InUse() { flag = false; }
        InUse(const InUse&) = delete;
        InUse& operator=(const InUse&) = delete;

    private:
        bool& flag;
    };

    std::unique_ptr<WorldSession> session;
    bool busy = false;
    std::string broken;
};
