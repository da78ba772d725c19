#include "python/RulesView.h"

#include "common/RuleTable.h"
#include "python/PythonCall.h"
#include "python/PythonWorld.h"
#include "python/WorldSession.h"

#include <cstdlib>

namespace {

const RuleTable::Field& field(const std::string& name) {
    const RuleTable::Field* found = RuleTable::find(name);
    if (!found)
        PythonCall::raise(PyExc_ValueError, "no rule is called \"" + name + "\" (did you mean " +
                                                RuleTable::nearest(name) + "?)");
    return *found;
}

py::object value(const Rules& rules, const RuleTable::Field& f) {
    const std::string text = RuleTable::format(rules, f);
    if (f.type == RuleTable::Type::Int)
        return py::int_(std::stoll(text));
    return py::float_(std::strtod(text.c_str(), nullptr));
}

} // namespace

py::object RulesView::get(const std::string& name) const {
    const RuleTable::Field& f = field(name);
    return value(world.ready().getRules(), f);
}

void RulesView::set(const std::string& name, const py::handle& given) {
    py::dict one;
    one[py::str(name)] = given;
    update(one);
}

void RulesView::update(const py::handle& settings) {
    if (!py::isinstance<py::dict>(settings) && !py::hasattr(settings, "items"))
        PythonCall::raise(PyExc_TypeError, "rules are a dict of rule names to values or a rules file, not " +
                                               PythonCall::typeName(settings));
    std::vector<std::pair<std::string, std::string>> given;
    for (const py::handle& item : settings.attr("items")()) {
        const py::handle name = item[py::int_(0)];
        const py::handle value = item[py::int_(1)];
        if (!py::isinstance<py::str>(name))
            PythonCall::raise(PyExc_TypeError, "rule names must be str, not " + PythonCall::typeName(name));
        if (!PythonCall::isNumber(value))
            PythonCall::raise(PyExc_TypeError, "rule " + name.cast<std::string>() +
                                                   " must be a number, not " + PythonCall::typeName(value));
        const std::string text = name.cast<std::string>();
        // One word each, as a "set" command takes it: a blank or "=" would read as another setting.
        if (text.find_first_of(" \t\r\n=") != std::string::npos || text.find('\0') != std::string::npos)
            field(text);
        given.emplace_back(text, PythonCall::numberText(value));
    }
    std::string error;
    if (!world.ready().setRules(given, error))
        PythonCall::raise(PyExc_ValueError, error);
}

bool RulesView::contains(const py::handle& name) const {
    return py::isinstance<py::str>(name) && RuleTable::find(name.cast<std::string>()) != nullptr;
}

std::vector<std::string> RulesView::keys() const {
    std::vector<std::string> names;
    for (const RuleTable::Field& f : RuleTable::fields())
        names.push_back(f.name);
    return names;
}

py::dict RulesView::asDict() const {
    const Rules& rules = world.ready().getRules();
    py::dict all;
    for (const RuleTable::Field& f : RuleTable::fields())
        all[py::str(f.name)] = value(rules, f);
    return all;
}

std::string RulesView::repr() const {
    return "sylvara.Rules(" + std::string(py::repr(asDict())) + ")";
}
