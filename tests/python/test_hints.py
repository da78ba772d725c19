# The type hints beside the module name what the module has: an added or renamed call or argument
# shows here.
import ast
import os
import re

import sylvara

HINTS = os.path.join(os.path.dirname(__file__), "..", "..", "python", "sylvara.pyi")


def test_the_hints_name_every_call_and_argument():
    tree = ast.parse(open(HINTS).read())
    classes = {node.name: node for node in tree.body if isinstance(node, ast.ClassDef)}
    functions = {node.name for node in tree.body if isinstance(node, ast.FunctionDef)}
    module = {n for n in vars(sylvara) if not n.startswith("_")}
    assert set(classes) | functions == module
    for name, node in classes.items():
        hinted = {f.name for f in node.body if isinstance(f, ast.FunctionDef) and not f.name.startswith("_")}
        assert hinted == {n for n in vars(getattr(sylvara, name)) if not n.startswith("_")}
    init = next(f for f in classes["World"].body if isinstance(f, ast.FunctionDef) and f.name == "__init__")
    assert [a.arg for a in init.args.args[1:]] == re.findall(r"(\w+): object", sylvara.World.__init__.__doc__)
